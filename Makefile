# The two commands: `make run` starts the program, `make test` runs every test.
# Both install the Debian packages they need first (scripts/install-deps.sh).
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30

.PHONY: run test bench fuzz deps build clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)

run: build
	@bash scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j2
	@$(MAKE) --no-print-directory fuzz

fuzz: deps
	@bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: deps
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build-bench
	@bash scripts/bench.sh build-bench

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) build-bench
