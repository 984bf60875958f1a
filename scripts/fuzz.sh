#!/usr/bin/env bash
# Fuzzes one reader for longer than the test command does, with a new random seed each run,
# so that each run goes where the others did not:
#
#   scripts/fuzz.sh READER [MINUTES]     READER: rtf, csv, vcard or icalendar; MINUTES: 30
#
# What a run finds that the test command's fixed seed did not, it keeps in build-fuzz/:
#   corpus-READER/     the inputs that reached new code (kept from run to run);
#   findings-READER/   each input that crashed, hung or failed the round trip (crash-…, timeout-…).
# A finding is replayed with `build-fuzz/tests/fuzz/exchange_fuzzer FILE` (`rtf_fuzzer` beside it
# for RTF; set DALIL_FUZZ_READER=READER as below for a CSV input without its headings). The
# fuzzers are the main project's targets, built with DALIL_FUZZ on (tests/fuzz/CMakeLists.txt).
#
# To add a finding, so that every run of the test command replays it for good:
#   1. copy it into tests/fuzz/exchange-corpus/ (RTF: tests/fuzz/corpus/) under a name that
#      says what it is, e.g. vcard-number-as-uri-twice.vcf;
#   2. mend the reader, with a row in the reader's test table (tst_vcard, tst_icalendar,
#      tst_exchange, tst_rtfreader) that fails before the mend;
#   3. run ./test.sh, or replay the folder: build-fuzz/tests/fuzz/exchange_fuzzer tests/fuzz/exchange-corpus/*
set -euo pipefail
cd "$(dirname "$0")/.."

reader="${1:-}"
minutes="${2:-30}"
case "$reader" in
    rtf) target=rtf_fuzzer; seeds=(tests/fuzz/corpus) ;;
    csv) target=exchange_fuzzer; seeds=(tests/fuzz/csv-corpus) ;;
    vcard) target=exchange_fuzzer; seeds=(tests/fixtures/vcard) ;;
    icalendar) target=exchange_fuzzer; seeds=(tests/fixtures/icalendar) ;;
    *) echo "usage: $0 rtf|csv|vcard|icalendar [MINUTES]" >&2; exit 2 ;;
esac
seeds+=(tests/fuzz/exchange-corpus)

scripts/install-deps.sh
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDALIL_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2 --target "$target"

corpus="build-fuzz/corpus-$reader"
findings="build-fuzz/findings-$reader"
mkdir -p "$corpus" "$findings"
started="$findings/.started"
touch "$started"
seed=$(od -An -N4 -tu4 /dev/urandom | tr -d ' ')
echo "Fuzzing $reader for $minutes minutes, seed $seed; findings go to $findings/"
export DALIL_FUZZ_READER="$reader"
status=0
# -fork runs on after a finding, so that one run can report several; -ignore_crashes keeps it going.
"build-fuzz/tests/fuzz/$target" -seed="$seed" -max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 \
    -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "${seeds[@]}" 2>&1 | tail -n 20 || status=$?
found=$(find "$findings" -type f -newer "$started" | wc -l)
echo "$found new finding(s) in $findings/ (seed $seed)."
[ "$found" -eq 0 ] && [ "$status" -eq 0 ]
