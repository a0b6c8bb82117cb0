#!/bin/sh
# Tesseract for the accuracy table only: the tools and the tests never need
# it. Installed when missing and run as root; otherwise the command is
# printed and the table goes on without it.
# shellcheck source=deps/packages.sh
. "$(dirname "$0")/../../deps/packages.sh"
missing="$(missing_packages tesseract-ocr tesseract-ocr-spa)"
[ -z "$missing" ] && exit 0
if can_install; then
    echo "Instalando Tesseract para la tabla de exactitud:$missing"
    # shellcheck disable=SC2086
    install_packages $missing && exit 0
    echo "No se pudo instalar Tesseract; la tabla sigue sin su columna."
else
    echo "Tesseract no está instalado; la tabla sigue sin su columna. Para instalarlo:"
    echo "  sudo apt-get install -y$missing"
fi
exit 0
