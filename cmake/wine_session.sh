#!/bin/sh
# Starts and stops the wineserver that the tests of the Windows build share,
# in the prefix that WINEPREFIX names.
#
#   wine_session.sh start WINESERVER WINE PROGRAM.exe
#   wine_session.sh stop WINESERVER
#
# A server left from before (one that lingers after a run, or one from tests
# that were cut short) is ended first, as a second one would not start.
# Whatever wine starts keeps the standard streams it was given, and CTest
# waits for the end of a test's output: the server, and the services that
# the first run starts, get /dev/null. That first run, without which a
# persistent server hangs the first run with captured output, ends at the
# end of its input, which is all it needs to do.
set -u
case "${1:-}" in
  start)
    "$2" -k </dev/null >/dev/null 2>&1
    "$2" -w </dev/null >/dev/null 2>&1
    "$2" -p </dev/null >/dev/null 2>&1 || exit 1
    "$3" "$4" </dev/null >/dev/null 2>&1
    exit 0
    ;;
  stop)
    "$2" -k </dev/null >/dev/null 2>&1
    exit 0
    ;;
  *)
    echo "usage: wine_session.sh start WINESERVER WINE PROGRAM.exe | stop WINESERVER" >&2
    exit 2
    ;;
esac
