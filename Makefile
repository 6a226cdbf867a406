# make run | make test are the only set-up a newcomer needs.
BUILD ?= build
# The program folder of make run (ruz.ini, www/, access.log): outside every
# build folder, so make clean never touches it.
RUN_DIR ?= run
GEN = cmake -S . -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
CTEST = ctest --output-on-failure --timeout 300

.PHONY: deps build run test test-asan test-tsan bench fuzz screenshots package clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	$(GEN) -B $(BUILD)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: build
	@cmake -DSRC=sample -DHELP=src/ui/help -DDST=$(RUN_DIR) -P cmake/CopySample.cmake
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD)/ruz --home $(RUN_DIR) $(ARGS); \
	else echo "make run: no display, running headless (Ctrl+C stops)"; \
	$(BUILD)/ruz --headless --home $(RUN_DIR) $(ARGS); fi

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

package: build
	rm -rf $(BUILD)/package
	cd $(BUILD) && cpack -G DEB
	scripts/check-package $(BUILD)/package/ruz_*.deb

# Only build output: the run folder ($(RUN_DIR)/) stays.
clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
