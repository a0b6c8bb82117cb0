#!/bin/sh
# Tesseract for the accuracy table only: the tools and the tests never need
# it. Installed when missing and run as root; otherwise the command is
# printed and the table goes on without it.
packages="tesseract-ocr tesseract-ocr-spa"
missing=""
for pkg in $packages; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
        missing="$missing $pkg"
    fi
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    echo "Instalando Tesseract para la tabla de exactitud:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q && apt-get install -y -q $missing && exit 0
    echo "No se pudo instalar Tesseract; la tabla sigue sin su columna."
else
    echo "Tesseract no está instalado; la tabla sigue sin su columna. Para instalarlo:"
    echo "  sudo apt-get install -y$missing"
fi
exit 0
