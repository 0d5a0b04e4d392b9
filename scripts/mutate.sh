#!/usr/bin/env bash
# Mutation testing of the libraries: scripts/mutate.sh --help. Always at the lowest priority,
# since every mutant is a rebuild.
exec nice -n 19 python3 "$(dirname "$0")/mutate.py" "$@"
