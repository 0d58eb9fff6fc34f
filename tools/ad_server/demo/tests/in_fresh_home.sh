#!/bin/sh
# Runs a program with HOME set to a new, empty folder, and fails when the program leaves
# anything in it: a demo keeps the libraries' caches and runtime files in a home of its own
# (dconf and Mesa wrote into the user's ~/.cache before), never in the user's.
set -u
home=$(mktemp -d) || exit 1
HOME="$home" "$@"
status=$?
left=$(find "$home" -mindepth 1 | head -n 5)
rm -rf "$home"
if [ -n "$left" ]; then
  echo "in_fresh_home: the program wrote into HOME: $left" >&2
  exit 1
fi
exit "$status"
