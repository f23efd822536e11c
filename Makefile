# Karvex: the two everyday commands are `make run` and `make test`.
# Both install what is missing (Debian packages), configure and build first.

BUILD      ?= build
SAN_BUILD  ?= build-san
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 20
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
CMAKE_GEN  := -G Ninja
# Warnings are errors in these builds (make run WERROR=OFF to get past a new compiler's).
WERROR     ?= ON

.PHONY: all deps build test test-fast test-san test-fuzz run demo bench compare fuzz fuzz-coverage install package clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKARVEX_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

# Every test: the full build, then everything again under AddressSanitizer
# and UndefinedBehaviorSanitizer (the desktop layers offscreen), then a short
# run of every fuzz target.
test: test-fast test-san test-fuzz

test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-san: deps
	cmake -S . -B $(SAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKARVEX_SANITIZE=ON -DKARVEX_WERROR=$(WERROR)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan-qt.supp \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

test-fuzz: deps
	bash scripts/fuzz.sh $(FUZZ_SMOKE_SECONDS) $(FUZZ_BUILD)

# Every fuzz target for FUZZ_SECONDS each (default 10 minutes).
fuzz: deps
	bash scripts/fuzz.sh $(FUZZ_SECONDS) $(FUZZ_BUILD)

# Line coverage of the readers reached by the corpora that `make fuzz` grew.
fuzz-coverage: deps
	bash scripts/fuzz-coverage.sh $(FUZZ_BUILD) $(FUZZ_BUILD)-cov

# Both programs, the desktop entry, file types, icons, thumbnailer and man
# page under PREFIX (default /usr/local); DESTDIR stages them elsewhere.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in $(BUILD): karvex_VERSION_ARCH.deb.
package: build
	cd $(BUILD) && cpack

run: build
	@bash scripts/run.sh $(BUILD)

demo: build
	@bash scripts/demo.sh $(BUILD)

bench: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DKARVEX_BENCH=ON -DKARVEX_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@bash bench/run.sh $(BENCH_BUILD)

# Sizes and speeds of .rgm and .rgz against PNG, WebP and JPEG XL on the shared
# corpus (about 7 minutes, mostly the peers at their strongest settings).
# Options go in COMPARE_ARGS, e.g. COMPARE_ARGS="--no-webp --only v01,v05".
COMPARE_ARGS ?=
compare: deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DKARVEX_BENCH=ON -DKARVEX_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target compare
	$(BENCH_BUILD)/bench/compare --chart $(BENCH_BUILD)/compare.svg --tsv $(BENCH_BUILD)/compare.tsv $(COMPARE_ARGS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(FUZZ_BUILD)-cov
