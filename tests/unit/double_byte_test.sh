#!/usr/bin/env bash
# The name rules under Wine in code page 932, where a character's second byte may be a backslash.
# Wine takes its code page from the locale, made here: a machine may have none but C.
#   double_byte_test.sh RESULTS PROGRAM [ARGS...]     (as cmake/run-gtest)
locales=$(mktemp -d) && trap 'rm -rf "$locales"' EXIT
localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" || exit 1
LOCPATH=$locales LC_ALL=ja_JP.UTF-8 VISTREL_DOUBLE_BYTE=1 bash "$(dirname "$0")/../../cmake/run-gtest" "$@"
