#!/usr/bin/env bash
# The cutting benchmark alone: bench/run.sh cut (see there and README.md here).
exec "$(dirname "$0")/run.sh" cut
