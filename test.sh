#!/usr/bin/env bash
# Builds Dalil and runs every check; exits non-zero on any failure:
#   1. the test suite;
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the RTF reader's and the exchange readers' libFuzzer targets: every seed and past finding
#      replayed, then a fixed count of inputs from a fixed seed, the same on every machine;
#   4. the benchmark program on a small book, as a smoke run (no timing is judged).
set -euo pipefail
cd "$(dirname "$0")"

# poppler-utils: the printing tests read the PDF files back (pdftotext, pdfinfo, pdffonts).
# python3-vobject, python3-icalendar: independent parsers that read the exported vCards and calendars.
# radicale, vdirsyncer: the server the sync tests run against, and a second client of their own.
# openssl: the tests' server certificate.
# khard, khal: an address book and a calendar that read the exports back as their users see them.
# faketime: the random session is run once more with the machine's date moved, and must do the same.
scripts/install-deps.sh poppler-utils python3-vobject python3-icalendar radicale vdirsyncer openssl khard khal faketime
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== Tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# Leak checking is on and needs no suppressions: nothing leaks today.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDALIL_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
(cd build-sanitize && ctest --output-on-failure -j"$jobs" --timeout 900)
unset ASAN_OPTIONS UBSAN_OPTIONS

echo "== Fuzzing the readers"
# The same on every machine: every seed input and every past finding replayed once each, then
# a fixed count of inputs from a fixed seed (scripts/fuzz.sh fuzzes longer, with random seeds).
# The same seed takes the same paths only when nothing else varies: Qt's hashes seeded alike,
# addresses not randomised, and no reloading of the corpus on a timer.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDALIL_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target rtf_fuzzer exchange_fuzzer
export QT_HASH_SEED=0
fixed=()
setarch "$(uname -m)" -R true 2>/dev/null && fixed=(setarch "$(uname -m)" -R)
rtf_inputs=(tests/fuzz/corpus)
exchange_inputs=(tests/fuzz/csv-corpus tests/fixtures/vcard tests/fixtures/icalendar tests/fuzz/exchange-corpus)
replay() { # TARGET FOLDER...
    local target="$1"; shift
    local files
    mapfile -t files < <(find "$@" -type f | sort)
    local out status=0
    out=$("build-fuzz/tests/fuzz/$target" -timeout=10 -rss_limit_mb=2048 "${files[@]}" 2>&1) || status=$?
    [ "$status" -eq 0 ] || { tail -n 30 <<<"$out"; return "$status"; }
    echo "${#files[@]} inputs replayed through $target"
}
fuzz() { # TARGET RUNS FOLDER...
    local target="$1" runs="$2"; shift 2
    local grown status=0
    grown=$(mktemp -d)
    "${fixed[@]}" "build-fuzz/tests/fuzz/$target" -seed=1 -runs="$runs" -reload=0 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$grown" "$@" 2>&1 | tail -n 12 || status=$?
    rm -rf "$grown"
    return "$status"
}
replay rtf_fuzzer "${rtf_inputs[@]}"
replay exchange_fuzzer "${exchange_inputs[@]}"
fuzz rtf_fuzzer "${DALIL_RTF_FUZZ_RUNS:-1000000}" "${rtf_inputs[@]}"
fuzz exchange_fuzzer "${DALIL_EXCHANGE_FUZZ_RUNS:-6000}" "${exchange_inputs[@]}"
unset QT_HASH_SEED

if [ -x build/bench/dalil-bench ]; then
    echo "== Benchmark smoke run"
    build/bench/dalil-bench --records 2000
fi
echo "All checks passed."
