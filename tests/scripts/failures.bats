#!/usr/bin/env bats
# A script that fails says where and why: its foreseen failures with the remedy, any other with the
# script, the line and the command. The failing tools are stand-ins.

setup() {
    root="$(cd "$BATS_TEST_DIRNAME/../.." && pwd)"
    fake="$BATS_TEST_TMPDIR"
    export CORVEL_BUILD_DIR="$fake/build"
    mkdir -p "$CORVEL_BUILD_DIR" "$fake/bin"
    PATH="$fake/bin:$PATH"
}

stand_in() {
    printf '#!/bin/sh\n%s\n' "$2" >"$fake/bin/$1"
    chmod +x "$fake/bin/$1"
}

# Runs a step of scripts/wine-env as the scripts do: under their flags, with their helpers.
wine_env() {
    run bash -c "set -euo pipefail; source '$root/scripts/on-error'; source '$root/scripts/wine-env'; $1"
}

@test "an unexpected failure names the script, the line, the command and the known remedy" {
    stand_in cmake 'exit 3'
    run "$root/scripts/build"
    [ "$status" -eq 3 ]
    [[ "$output" == 'build: line 8: "cmake -S '*'" failed (exit status 3). Fix: run scripts/setup'* ]]
}

@test "an Xvfb that does not start says so" {
    stand_in Xvfb 'echo "(EE) no screens found" >&2; exit 1'
    wine_env corvel_start_xvfb
    [ "$status" -eq 1 ]
    [[ "$output" == *"Xvfb did not start a display (its output: $CORVEL_BUILD_DIR/xvfb.log)"* ]]
    grep -q "no screens found" "$CORVEL_BUILD_DIR/xvfb.log"
}

@test "a wineboot that fails says so" {
    stand_in wineboot 'echo "wine: could not load kernel32.dll" >&2; exit 1'
    wine_env corvel_boot_prefix
    [ "$status" -eq 1 ]
    [[ "$output" == *"wineboot could not ready the Wine prefix $CORVEL_BUILD_DIR/wineprefix"*"run scripts/setup"* ]]
    grep -q "kernel32.dll" "$CORVEL_BUILD_DIR/wineprefix/wineboot.log"
}

@test "a prefix that cannot be made says so" {
    export CORVEL_BUILD_DIR="$fake/a-file"
    touch "$CORVEL_BUILD_DIR"
    wine_env corvel_boot_prefix
    [ "$status" -eq 1 ]
    [[ "$output" == *"cannot make the Wine prefix $CORVEL_BUILD_DIR/wineprefix"*"CORVEL_BUILD_DIR"* ]]
}
