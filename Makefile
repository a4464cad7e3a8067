# Top-level commands. `make test` is all a fresh machine needs.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test sanitize bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	    $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Installs what is missing, builds the desktop program and starts it. The
# program writes its files in the folder it runs in: RUN_DIR, not the sources.
RUN_DIR ?= $(BUILD_DIR)/work
run: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tarnovel
	@mkdir -p $(RUN_DIR)
	@cd $(RUN_DIR) && $(abspath $(BUILD_DIR))/ui/tarnovel

test: build sanitize
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The std-only code and its tests again, under AddressSanitizer and
# UndefinedBehaviorSanitizer; any finding fails the run.
SAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
sanitize: deps
	@cmake -S . -B $(BUILD_DIR)-san -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNOVEL_STD_ONLY=ON \
	    -DCMAKE_CXX_FLAGS="$(SAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(SAN_FLAGS)" \
	    $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@cmake --build $(BUILD_DIR)-san -j $(JOBS)
	@cd $(BUILD_DIR)-san && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tarnovel-bench
	@$(BUILD_DIR)/bench/tarnovel-bench --benchmark_counters_tabular=true

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR) $(BUILD_DIR)-san
