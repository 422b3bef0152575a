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
