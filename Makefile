# tavrin: set-up, build, tests and the default show.
# make show   set up, build and play the default show (renders a video without a display)
# make test   set up, build and run every test (Linux, Windows under Wine, fuzzing)

JOBS ?= $(shell nproc)
BUILD ?= build
BUILD_WIN ?= build-win
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
SEED ?=

.PHONY: all setup setup-show build build-linux build-win build-fuzz build-show test test-linux test-win fuzz bench show clean

all: build

setup:
	@bash scripts/setup.sh

# Only what building and playing the show needs: no test frameworks, no Windows tool chain.
setup-show:
	@bash scripts/setup.sh show

build: setup build-linux build-win

build-linux:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTAVRIN_TESTS=ON -DTAVRIN_BENCH=ON \
		-DTAVRIN_WIN_TOOL=$(CURDIR)/$(BUILD_WIN)/tavrin.exe -DTAVRIN_WIN_PLAYER=$(CURDIR)/$(BUILD_WIN)/player-win.exe >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The show alone: the player with the default show appended, and the tool that renders it
# without a display. Tests and benchmarks are left out until `make test` or `make bench` asks.
build-show:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target tavrin_show tavrin default_show

# The Windows player and tool; tavrin-show.exe too once the Linux build has made the default show.
build-win:
	@cmake -S . -B $(BUILD_WIN) -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BENCH=OFF \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
		-DTAVRIN_DEFAULT_SHOW_FILE=$$([ -f $(BUILD)/default-show.tavrin ] && echo $(CURDIR)/$(BUILD)/default-show.tavrin) >/dev/null
	@cmake --build $(BUILD_WIN) -j $(JOBS)

build-fuzz:
	@CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_FUZZ=ON \
		-DTAVRIN_TESTS=OFF -DTAVRIN_BENCH=OFF >/dev/null
	@cmake --build $(BUILD_FUZZ) -j $(JOBS) --target payload_fuzz

test: build build-fuzz
	@$(MAKE) --no-print-directory test-linux test-win fuzz

# The Windows player's end-to-end tests (Wine on Xvfb) are driven from the Linux build, which
# packs their shows and grabs their frames; they carry the label "windows" and run in test-win.
test-linux:
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE windows

test-win:
	@cd $(BUILD_WIN) && ctest --output-on-failure
	@cd $(BUILD) && ctest --output-on-failure -L windows

fuzz:
	@bash tests/fuzz/run.sh $(BUILD_FUZZ)/tests/fuzz/payload_fuzz $(FUZZ_SECONDS)

# Only the benchmarks and what they need are built; BENCH_ARGS go to Google Benchmark.
bench:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BENCH=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target core_bench decode_bench pack_bench render_bench
	@$(BUILD)/bench/core_bench $(BENCH_ARGS)
	@$(BUILD)/bench/decode_bench $(BENCH_ARGS)
	@$(BUILD)/bench/pack_bench $(BENCH_ARGS)
	@$(BUILD)/bench/render_bench

# Plays the default show (the player with the default payload appended) with seed SEED, or
# with a seed from the clock, which is printed here: the player prints nothing.
show: setup-show build-show
	@seed="$(SEED)"; \
	if [ -z "$$seed" ]; then seed=$$(( $$(date +%s%N) / 1000 % 4294967296 )); fi; \
	echo "make show: seed $$seed (make show SEED=$$seed plays this show again; any key or click ends it)"; \
	if [ -n "$$DISPLAY" ]; then \
		exec $(BUILD)/tavrin-show $$seed; \
	else \
		echo "make show: no display (DISPLAY is not set): rendering the first 20 seconds to a video instead"; \
		$(BUILD)/tavrin render $$seed --payload $(BUILD)/default-show.tavrin --to 20 -o $(BUILD)/show-$$seed.mp4 >/dev/null && \
		echo "make show: the video is $(BUILD)/show-$$seed.mp4 (on a display: $(BUILD)/tavrin-show $$seed)"; \
	fi

clean:
	rm -rf $(BUILD) $(BUILD_WIN) $(BUILD_FUZZ)
