# The front door: `make test` and `make bench` set up a fresh Debian machine, build and run.
BUILD ?= build
JOBS ?= $(shell nproc)
# bench_verify's fifth sample lives outside the source tree.
ATTENTION_PAPER ?= $(HOME)/Documents/papers/attention-is-all-you-need.pdf

CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON \
              -DQUORVEL_ATTENTION_PAPER_PATH=$(ATTENTION_PAPER)

.PHONY: all setup configure build test bench clean

all: build

setup:
	scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

$(ATTENTION_PAPER): bench/samples/attention-is-all-you-need.pdf
	mkdir -p $(dir $@)
	cp -n $< $@

bench: build $(ATTENTION_PAPER)
	$(BUILD)/bin/bench_verify

clean:
	rm -rf $(BUILD)

# The PDF object reader against qpdf, object by object, on real PDFs from Debian documentation
# packages (downloaded once into a cache outside the clone). Not part of `make test`.
.PHONY: differential
differential: build
	python3 tests/differential/run.py $(BUILD)/bin

# verify_output against pdfgrep, pdftotext | grep, a bare engine loop and qpdf, side by side on
# the samples and three large real-world PDFs (fetched into the differential test's cache);
# writes the table into bench/RESULTS.md. The peers (and GNU time, for peak memory) are
# installed here when missing.
COMPARE_PEERS = pdfgrep poppler-utils qpdf time
COMPARE_REPS ?= 5
.PHONY: compare
compare: build $(ATTENTION_PAPER)
	@dpkg-query -W -f='$${Status}\n' $(COMPARE_PEERS) 2>/dev/null | grep -c 'install ok installed' \
	  | grep -qx $(words $(COMPARE_PEERS)) || { \
	  if [ "$$(id -u)" -eq 0 ]; then sudo=; else sudo=sudo; fi; \
	  $$sudo apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -qq --no-install-recommends \
	    $(COMPARE_PEERS) >/dev/null; }
	bench/compare_peers $(BUILD) $(COMPARE_REPS)

# The test suite under sanitizers, each in a build of its own (g++; the engine library is not
# instrumented, which only means its own code goes unchecked). Benchmarks are not built. The
# compiler flags are also in CXXFLAGS and LDFLAGS for the packaging test, which builds a
# consumer of the installed, instrumented libraries.
#   make test-asan   AddressSanitizer and UndefinedBehaviorSanitizer, every test
#   make test-tsan   ThreadSanitizer, every test, against a libtbb built under ThreadSanitizer
#                    from Debian's source (scripts/tbb_tsan.sh): the packaged one's scheduler
#                    synchronises out of the sanitizer's sight, which makes false races
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
SANITIZER_CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON \
                        -DQUORVEL_BUILD_BENCH=OFF -DQUORVEL_ATTENTION_PAPER_PATH=$(ATTENTION_PAPER)
ASAN_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
TSAN_FLAGS = -fsanitize=thread -fno-omit-frame-pointer
# g++ 12 warns of uninitialised members inside <regex> and <functional> once the sanitizers
# change what it inlines; the warning is known to misfire there, so it is not an error here.
SANITIZER_CXX_FLAGS = -Wno-maybe-uninitialized
.PHONY: test-asan test-tsan fuzz

test-asan: setup $(ATTENTION_PAPER)
	cmake -S . -B $(ASAN_BUILD) $(SANITIZER_CMAKE_FLAGS) -DCMAKE_CXX_FLAGS="$(ASAN_FLAGS) $(SANITIZER_CXX_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(ASAN_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(ASAN_FLAGS)" >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	CXXFLAGS="$(ASAN_FLAGS)" LDFLAGS="$(ASAN_FLAGS)" \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

test-tsan: setup $(ATTENTION_PAPER)
	tbb=$$(scripts/tbb_tsan.sh) && \
	cmake -S . -B $(TSAN_BUILD) $(SANITIZER_CMAKE_FLAGS) -DTBB_DIR=$$tbb/lib/cmake/TBB \
	  -DCMAKE_CXX_FLAGS="$(TSAN_FLAGS) $(SANITIZER_CXX_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(TSAN_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(TSAN_FLAGS)" >/dev/null
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/sanitizers/tsan.supp \
	CXXFLAGS="$(TSAN_FLAGS)" LDFLAGS="$(TSAN_FLAGS)" \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS)

# The libFuzzer targets (clang), each run for FUZZ_SECONDS after the regression inputs of
# fuzz/regressions replay clean; see fuzz/Makefile.
FUZZ_SECONDS ?= 60
fuzz: setup
	$(MAKE) -C fuzz run FUZZ_SECONDS=$(FUZZ_SECONDS)
