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
