# Top-level commands. `make test` is all a fresh machine needs.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run demo memcheck test sanitize fuzz fuzz-corpus bench accuracy format clean \
	package package-check

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

# Installs what is missing, builds the batch tool and plays the whole workflow
# on the tables in examples/, in a fresh folder build/demo. Closing the program
# moves every file of the session into a session folder: that is where to look.
DEMO_DIR := $(BUILD_DIR)/demo
DEMO_RUN = run --piezometers examples/piezometers.csv --comma-to-point --missing -9999 \
	    --dates 15-02-2022,12-04-2022,20-09-2022 --kinds MHW+MSW+MLW --strata-separately --plots \
	    --field examples/field-measurements.csv \
	    --code '>150=>150' --code 'dry=>150' --code '?=missing'
demo: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tarnovel-cli
	@rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)
	$(BUILD_DIR)/cli/tarnovel-cli $(DEMO_RUN) --workdir $(DEMO_DIR)
	@set -e; cd $(DEMO_DIR); \
	pred=$$(ls session*/*Predict.csv); dir=$$(dirname "$$pred"); \
	counts=$$(awk -F';' 'NR == 1 { for (i = 1; i <= NF; i++) if ($$i ~ /^M[HSL]W$$/) col[i] = $$i; next } \
	    { rows++; for (i in col) if ($$i != "missing") n[col[i]]++ } \
	    END { printf "%d locations; predicted MHW %d, MSW %d, MLW %d", rows, n["MHW"], n["MSW"], n["MLW"] }' "$$pred"); \
	case "$$counts" in *"MHW 0, MSW 0, MLW 0") echo "demo: nothing predicted in $(DEMO_DIR)/$$pred" >&2; exit 1;; esac; \
	echo; \
	echo "The demo's files, moved into the session folder when the program closed:"; \
	echo "  prediction file  $(DEMO_DIR)/$$pred"; \
	echo "                   ($$counts)"; \
	echo "  result files     $(DEMO_DIR)/$$dir/*.out ($$(ls "$$dir" | grep -c '\.out$$'); their job files *.dat beside them)"; \
	echo "  scatterplots     $(DEMO_DIR)/$$dir/*.wmf ($$(ls "$$dir" | grep -c '\.wmf$$'); BMP images)"; \
	echo "  log              $(DEMO_DIR)/$$(ls "$$dir"/*.log)"

# The demo's workflow under valgrind memcheck: any error or leak fails it.
memcheck: configure
	@scripts/install-deps --memcheck
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tarnovel-cli
	@rm -rf $(BUILD_DIR)/memcheck && mkdir -p $(BUILD_DIR)/memcheck
	valgrind --leak-check=full --show-leak-kinds=definite,indirect,possible \
	    --errors-for-leak-kinds=definite,indirect,possible --error-exitcode=9 \
	    $(BUILD_DIR)/cli/tarnovel-cli $(DEMO_RUN) --workdir $(BUILD_DIR)/memcheck

# The package checked here is made from build/ itself, just built with the
# same settings, so that the tests take no third build.
test: build sanitize
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	@scripts/install-deps --package
	@rm -f $(BUILD_DIR)/*.deb && cd $(BUILD_DIR) && cpack -G DEB >/dev/null
	@packaging/check-package $(BUILD_DIR)

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

# The Debian package, from a build folder of its own so that build/ keeps its
# settings; the tests are not built there. The package lands in
# $(PACKAGE_DIR) (build-package/), named tarnovel_VERSION_ARCH.deb.
PACKAGE_DIR ?= $(BUILD_DIR)-package
package:
	@scripts/install-deps --package
	@cmake -S . -B $(PACKAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTARNOVEL_BUILD_TESTS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
	    $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@cmake --build $(PACKAGE_DIR) -j $(JOBS)
	@rm -f $(PACKAGE_DIR)/*.deb
	@cd $(PACKAGE_DIR) && cpack -G DEB >/dev/null
	@echo "package: $$(ls $(PACKAGE_DIR)/*.deb)"

# The package's files, control fields, manual pages, AppStream metadata and
# the version its programs report; then lintian.
package-check: package
	@packaging/check-package $(PACKAGE_DIR)

# Each fuzz target for FUZZ_SECONDS on its seeds in tests/fuzz/corpus/, one
# after the other. The first crash stops the run; its input is written to
# tests/data/fuzz-regressions/<target>/, where the regular tests replay it
# (FuzzReplay.<target>) until the fault is mended, and after. What a run
# learns stays in build-fuzz/corpus/ until `make fuzz-corpus` keeps it.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := delimited handoff job result_file censored
FUZZ_BUILD = build-fuzz
fuzz:
	@scripts/install-deps --fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTARNOVEL_FUZZ=ON -DTARNOVEL_STD_ONLY=ON -DTARNOVEL_BUILD_TESTS=OFF \
	    $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))
	@set -e; for t in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$t tests/data/fuzz-regressions/$$t; \
	    echo "fuzz_$$t: $(FUZZ_SECONDS) s"; \
	    $(FUZZ_BUILD)/tests/fuzz/fuzz_$$t $(FUZZ_BUILD)/corpus/$$t tests/fuzz/corpus/$$t \
	        -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=10 -print_final_stats=1 \
	        -artifact_prefix=tests/data/fuzz-regressions/$$t/; \
	done

# Adds to the seed corpora the inputs of the last fuzz runs that reach code
# the seeds do not.
fuzz-corpus:
	@set -e; for t in $(FUZZ_TARGETS); do \
	    $(FUZZ_BUILD)/tests/fuzz/fuzz_$$t -merge=1 tests/fuzz/corpus/$$t $(FUZZ_BUILD)/corpus/$$t \
	        2>&1 | grep -E '^MERGE-OUTER: [0-9]+ new files' || true; \
	done

# Micro benchmarks, the side-by-side comparison with a plain R script, then
# the performance suite: the regression run and the prediction at growing
# sizes, written to docs/performance.{md,svg,csv}. The comparison comes
# before the suite, whose clean-up deletes gigabytes: on a file system that
# has just deleted many files, creating new ones is slower for a while, and
# Tarnovel creates many more files than the R script.
bench: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tarnovel-bench tarnovel-scale tarnovel-cli
	@$(BUILD_DIR)/bench/tarnovel-bench --benchmark_counters_tabular=true
	@scripts/install-deps --bench || echo "bench: R could not be installed; timing without it"
	@python3 bench/compare_r.py $(BUILD_DIR)/cli/tarnovel-cli docs --data $(BUILD_DIR)/r-comparison-data
	@python3 bench/scale.py $(BUILD_DIR)/bench/tarnovel-scale docs
	@rm -rf $(BUILD_DIR)/r-comparison-data/work && touch $(BUILD_DIR)/r-comparison-data/deleted-at

# Accuracy on real ground-water series: the whole workflow through the
# batch tool with the table and the exact estimation of "deeper than"
# values, written to docs/accuracy.{md,svg}. It starts from the tables kept
# in bench/accuracy/; SERIES_DIR=<folder with dino/ and waterweb/> derives
# them again from the raw series first.
SERIES_DIR ?=
accuracy: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target tarnovel-cli
	@python3 bench/accuracy/accuracy.py --cli $(BUILD_DIR)/cli/tarnovel-cli \
	    --work $(BUILD_DIR)/accuracy --docs docs --jobs $(JOBS) \
	    $(if $(SERIES_DIR),--series "$(SERIES_DIR)")

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR) $(BUILD_DIR)-san build-fuzz
