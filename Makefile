# Pinweave's front door. Every target installs what it needs (apt-get) first.
#   make run     build the Linux program alone and convert the bundled example
#   make test    check the format, build everything and run every test (Linux, Linux under sanitizers, Windows under Wine)
#   make format  apply .clang-format to every C++ file
#   make dist    build the release packages into dist/ (the Windows zip, the Linux tarball)
#   make test-windows  cross-build Pinweave.exe and run its tests under Wine
#   make bench   build and run the benchmarks
#   make bench-dialog  time Pinweave.exe's dialog against its quiet mode under Wine
#   make fuzz    build the fuzz targets and run each for FUZZ_SECONDS
#   make stress  convert hostile CAP-H files at full size, with time and peak memory
#   make golden  regenerate the golden scenarios and show what changed
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
# The builds below are make programs of their own: no "Entering directory" lines.
MAKEFLAGS += --no-print-directory

.PHONY: all deps-native native run golden test format format-check test-native asan test-asan tsan test-tsan deps-windows windows test-windows deps-dist dist bench bench-dialog fuzz stress clean

all: native

deps-native:
	@tools/install-deps.sh native

native: deps-native
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

# The main job: the bundled example converted into a fresh folder. Only the
# program is built (no GoogleTest, no test programs), and quietly: cmake and
# the compiler speak only of errors. The .tst is copied first so that its log
# file (written beside it) lands in build/run.
RUN_DIR := build/run
RUN_PROGRAM := build/native/bin/pinweave

run: deps-native
	@echo "Building $(RUN_PROGRAM)"
	@cmake --preset native >/dev/null
	@cmake --build --preset native --target pinweave -j $(JOBS) >/dev/null
	@rm -rf $(RUN_DIR)
	@mkdir -p $(RUN_DIR)/out
	@cp examples/sample.tst $(RUN_DIR)/sample.tst
	@echo "$(RUN_PROGRAM) /Q $(RUN_DIR)/sample.tst $(RUN_DIR)/out"
	@status=0; $(RUN_PROGRAM) /Q $(RUN_DIR)/sample.tst $(RUN_DIR)/out || status=$$?; \
	for f in $(RUN_DIR)/sample.log $(RUN_DIR)/out/sample.pid; do \
	    [ -f "$$f" ] || continue; \
	    echo; echo "===== $$f (CR LF line ends shown as plain lines)"; sed 's/\r$$//' "$$f"; \
	done; \
	exit $$status

# The expected files of every golden scenario, made anew by the converter and
# shown as a difference against what is committed (tools/golden.sh).
golden: deps-native
	@tools/golden.sh

test-native: native
	ctest --preset native -j $(JOBS)

# The native tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps-native
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)

test-asan: asan
	ctest --preset asan -j $(JOBS)

# What runs on several threads, under ThreadSanitizer: logs appended to from
# several threads at once, and the conversions that write them.
tsan: deps-native
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target pid_tests

test-tsan: tsan
	build/tsan/bin/pid_tests --gtest_brief=1 --gtest_filter='LogFile*:*GoldenTest*:RunLog*'

deps-windows:
	@tools/install-deps.sh windows

windows: deps-windows
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

# ctest's fixtures start and end the Wine session (a private Xvfb, wineserver,
# keepalive.exe); it is ended once more afterwards, whatever happened, so that
# nothing outlives the run. Now and then a Wine program exits at once with no
# output at all (seen about once in six runs, never twice in a row): a failed
# test is run again, up to twice, so only a test that fails every time fails.
test-windows: windows
	tools/windows/wine-session.sh build/windows prefix
	@status=0; ctest --preset windows -j $(JOBS) --timeout 180 --repeat until-pass:3 || status=$$?; \
	tools/windows/wine-session.sh build/windows down; exit $$status

test: format-check test-native test-asan test-tsan test-windows

# Every C++ file as .clang-format has it: make format applies it, make test checks it.
format:
	@tools/install-deps.sh format
	@tools/format.sh

format-check:
	@tools/install-deps.sh format
	@tools/format.sh --check

# The release packages, named with the version of res/Version.h: each build
# tree packs its own (target dist, cmake/Package.cmake), and both land in dist/.
# Only the two programs are built; make test checks both packages as well.
deps-dist:
	@tools/install-deps.sh dist

dist: deps-dist
	@cmake --preset native >/dev/null
	@cmake --preset windows >/dev/null
	@echo "Building the Linux package"
	@cmake --build --preset native --target dist -j $(JOBS) >/dev/null
	@echo "Building the Windows package"
	@cmake --build --preset windows --target dist -j $(JOBS) >/dev/null
	@rm -rf dist
	@mkdir dist
	@cp build/native/dist/* build/windows/dist/* dist/
	@ls -l dist

# Hostile CAP-H files at full size (1,000,000-deep nesting, 1 GB lines, 10
# million attributes on one element ...) converted by the Linux program, with
# the time and peak memory of each; `make test` runs them scaled down.
stress: native
	tools/stress.sh build/native

bench:
	@tools/install-deps.sh native
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	bench/run.sh build/bench/bin

# Pinweave.exe under Wine: the dialog from "Scan CAP-H" to "Completed" next
# to /Q of the same exe on the same generated files (300 and 2,000 part
# numbers), and the results pane's cost per line. BENCH_DIALOG_ARGS passes
# options on, e.g. BENCH_DIALOG_ARGS="--exe Z:\\other\\Pinweave.exe --runs 1".
bench-dialog: windows
	@status=0; tools/windows/wine-run.sh build/windows build/windows/bin/bench_dialog.exe $(BENCH_DIALOG_ARGS) \
	    2> >(grep -v 'Read access denied for device' >&2) || status=$$?; \
	tools/windows/wine-session.sh build/windows down; exit $$status

fuzz:
	@tools/install-deps.sh fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	tools/fuzz.sh build/fuzz/bin $(FUZZ_SECONDS)

clean:
	rm -rf build dist
