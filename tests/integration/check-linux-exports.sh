#!/usr/bin/env bash
# Checks that libSwellkit.so exports exactly the symbols its version script names.
set -euo pipefail
map=${1:?usage: check-linux-exports.sh Swellkit.map libSwellkit.so}
library=${2:?usage: check-linux-exports.sh Swellkit.map libSwellkit.so}
diff <(sed -n 's/^ *\(_Z[A-Za-z0-9_]*\);$/\1/p' "$map" | sort) \
     <(nm -D --defined-only "$library" | awk '{print $3}' | sort)
