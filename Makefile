# Pinweave's front door. Every target installs what it needs (apt-get) first.
#   make run     build the Linux program and convert the bundled example
#   make test    build everything and run every test
#   make bench   build and run the benchmarks
#   make fuzz    build the fuzz targets and run each for FUZZ_SECONDS
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all deps-native native run test test-native bench fuzz clean

all: native

deps-native:
	@tools/install-deps.sh native

native: deps-native
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

test-native: native
	ctest --preset native -j $(JOBS)

test: test-native

bench:
	@tools/install-deps.sh native
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	bench/run.sh build/bench/bin

fuzz:
	@tools/install-deps.sh fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	tools/fuzz.sh build/fuzz/bin $(FUZZ_SECONDS)

clean:
	rm -rf build
