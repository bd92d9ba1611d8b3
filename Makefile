# Set-up entry points: `make run` and `make test` (both install what is missing first).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The libFuzzer build: clang with the sanitizers, in a folder of its own.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# The build tool below runs quietly when nothing changes.
MAKEFLAGS += --no-print-directory

.PHONY: run test build configure deps package bench fuzz format clean

deps:
	@./scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

# The program, its manual page and completion, and the test programs; not the benchmarks.
build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target cratewise
	./$(BUILD)/cratewise

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

# The Debian package, build/cratewise_<version>_<arch>.deb (CPack).
package: build
	cmake --build $(BUILD) --target package

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	./scripts/run-benchmarks.sh $(BUILD)

# Each fuzz target runs FUZZ_SECONDS on its corpus in fuzz/corpus-<target>, which grows
# from files real encoders make (fuzz/seeds.sh); the inputs that once found a fault
# (fuzz/regressions/<target>) are run first.
fuzz: deps
	@test -f $(FUZZ_BUILD)/CMakeCache.txt || cmake -S . -B $(FUZZ_BUILD) -G Ninja \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCRATEWISE_FUZZ=ON \
	    -DCRATEWISE_TESTS=OFF -DCRATEWISE_BENCH=OFF
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@./fuzz/seeds.sh
	@for f in $(FUZZ_BUILD)/fuzz_*; do \
	    [ -f "$$f" ] && [ -x "$$f" ] || continue; \
	    corpus=fuzz/corpus-$$(basename "$$f"); mkdir -p "$$corpus"; \
	    regressions=fuzz/regressions/$$(basename "$$f"); \
	    if [ -d "$$regressions" ]; then "$$f" "$$regressions"/* || exit 1; fi; \
	    echo "== $$(basename "$$f") for $(FUZZ_SECONDS) s"; \
	    "$$f" -max_total_time=$(FUZZ_SECONDS) -max_len=8192 "$$corpus" || exit 1; \
	done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
