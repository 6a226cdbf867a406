# make run | make test are the only set-up a newcomer needs.
BUILD ?= build
GEN = cmake -S . -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
CTEST = ctest --output-on-failure --timeout 300

.PHONY: deps build run test test-asan test-tsan bench fuzz screenshots clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	$(GEN) -B $(BUILD)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD)/ruz $(ARGS); \
	else echo "make run: no display, running headless (Ctrl+C stops)"; $(BUILD)/ruz --headless $(ARGS); fi

test: build
	cd $(BUILD) && $(CTEST) -j2

test-asan: deps
	$(GEN) -B build-asan -DRUZ_SANITIZE=address
	cmake --build build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST) -j2

test-tsan: deps
	$(GEN) -B build-tsan -DRUZ_SANITIZE=thread -DRUZ_WITH_UI=OFF
	cmake --build build-tsan
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 $(CTEST) -j2 -L 'concurrency|integration'

bench: build
	scripts/bench

fuzz: deps
	scripts/fuzz

screenshots: build
	scripts/screenshots

clean:
	rm -rf $(BUILD) build-asan build-tsan
