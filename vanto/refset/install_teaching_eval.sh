#!/bin/sh
# What the evaluation of teaching needs and nothing else does: Debian's
# Python with scikit-learn (its copy of the UCI handwritten digits, and the
# SVM it is compared with) and the handwriting-style faces. Installed when
# missing and run as root; otherwise the command is printed and the
# evaluation stops.
# shellcheck source=deps/packages.sh
. "$(dirname "$0")/../../deps/packages.sh"
missing="$(missing_packages python3-sklearn python3-numpy fonts-dkg-handwriting \
    fonts-humor-sans fonts-femkeklaver)"
[ -z "$missing" ] && exit 0
if can_install; then
    echo "Instalando lo que necesita la evaluación de la enseñanza:$missing"
    # shellcheck disable=SC2086
    install_packages $missing && exit 0
    echo "No se pudo instalar:$missing"
    exit 1
fi
echo "Faltan paquetes para la evaluación de la enseñanza. Para instalarlos:"
echo "  sudo apt-get install -y$missing"
exit 1
