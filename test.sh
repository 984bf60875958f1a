#!/usr/bin/env bash
# Builds Dalil and runs every check; exits non-zero on any failure:
#   1. the test suite;
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the RTF reader's and the exchange readers' libFuzzer targets for a bounded time on their
#      seed corpora;
#   4. the benchmark program on a small book, as a smoke run (no timing is judged).
set -euo pipefail
cd "$(dirname "$0")"

# poppler-utils: the printing tests read the PDF files back (pdftotext, pdfinfo, pdffonts).
# python3-vobject, python3-icalendar: independent parsers that read the exported vCards and calendars.
# radicale, vdirsyncer: the server the sync tests run against, and a second client of their own.
# openssl: the tests' server certificate.
scripts/install-deps.sh poppler-utils python3-vobject python3-icalendar radicale vdirsyncer openssl
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

echo "== Fuzzing the RTF reader"
CXX=clang++ cmake -S tests/fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$jobs"
findings=$(mktemp -d)
build-fuzz/rtf_fuzzer -max_total_time="${DALIL_FUZZ_SECONDS:-120}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$findings" tests/fuzz/corpus 2>&1 | tail -n 12
rm -rf "$findings"

echo "== Fuzzing the exchange readers (CSV, vCard, iCalendar)"
findings=$(mktemp -d)
build-fuzz/exchange_fuzzer -max_total_time="${DALIL_EXCHANGE_FUZZ_SECONDS:-60}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$findings" tests/fuzz/csv-corpus tests/fixtures/vcard tests/fixtures/icalendar 2>&1 | tail -n 12
rm -rf "$findings"

if [ -x build/bench/dalil-bench ]; then
    echo "== Benchmark smoke run"
    build/bench/dalil-bench --records 2000
fi
echo "All checks passed."
