#!/usr/bin/env bash
# Runs a Windows program in the project's prefix: CTest's emulator for the test
# executables, and the scripts' way of starting kelvane.exe.
source "$(dirname "$0")/wine-env.sh"
exec wine "$@"
