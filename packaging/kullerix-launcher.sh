#!/bin/sh
# Starts Kullerix in its data folder: the program reads its textures and shaders from the
# working directory.
here=$(dirname "$(readlink -f "$0")")
prefix=$(dirname "$here")
cd "$prefix/share/kullerix" || exit 1
exec "$prefix/libexec/kullerix/kullerix" "$@"
