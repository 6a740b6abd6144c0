#!/bin/sh
# Runs one test program under wine. When wine loses its own server ("wine
# client error", the test program never ran its tests), the server is started
# again and the program run once more; any other failure is the test's.
# A first argument --dlls=a=n,b=d adds those DLL load orders.
case "$1" in
  --dlls=*)
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$(echo "${1#--dlls=}" | tr , ';')"
    export WINEDLLOVERRIDES
    shift ;;
esac
log=$(mktemp)
wine "$@" >"$log" 2>&1
code=$?
if [ "$code" != 0 ] && grep -q "^wine client error" "$log"; then
  cat "$log"
  echo "-- wine lost its server; started again, the test runs once more" >&2
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine "$@" >"$log" 2>&1
  code=$?
fi
cat "$log"
rm -f "$log"
exit "$code"
