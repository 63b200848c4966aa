# make demo: set up, build, and render the gallery and one animation per
#            transition of the built-in pictures into out/.
# make test: set up, build, and run every test.
# make bench: the transitions beside FFmpeg's xfade fade, then the kernels.
# make windows: SVTumblers.dll, SVLang.dll, the language file and the Windows
#            test programs, cross-built with MinGW-w64 into build-windows/bin.
# make windows-test: those tests under Wine, in a new prefix of their own.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build test demo bench asan tsan soak clean install frei0r-install windows windows-test

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@scripts/demo $(BUILD)

bench: build
	@$(BUILD)/bin/tumblers bench --compare-xfade
	@for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b; done

asan: bootstrap
	@cmake -S . -B $(BUILD)-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSVT_SANITIZE=ON -DSVT_BENCH=OFF >/dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS)

install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

# The tests that run threads or processes at once, under ThreadSanitizer;
# any report fails the run.
TSAN_TESTS = hardening:Threads.*:ConcurrentWriters.*
tsan: bootstrap
	@cmake -S . -B $(BUILD)-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSVT_TSAN=ON -DSVT_BENCH=OFF >/dev/null
	@cmake --build $(BUILD)-tsan -j $(JOBS) --target hardening_tests
	@set -ef; for t in $(TSAN_TESTS); do \
	  TSAN_OPTIONS=halt_on_error=1:abort_on_error=1 SVT_MODULE_PATH=$(abspath $(BUILD)-tsan)/bin/SVTumblers.so \
	  SVT_REGISTRY_ROOT=$(abspath $(BUILD)-tsan)/test-registry \
	  $(BUILD)-tsan/bin/$${t%%:*}_tests --gtest_filter="$${t#*:}"; done

# The long soak: scripts/soak [renders].
soak: build
	@scripts/soak $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(WINDOWS_BUILD) out

# The frei0r plug-ins, the module and its language files into the frei0r
# folder (SVT_FREI0R_INSTALL_DIR, by default ~/.frei0r-1/lib).
frei0r-install: build
	@cmake --install $(BUILD) --component frei0r

# The Windows DLLs. The tests compare the DLL's frames with those of the
# Linux build in $(BUILD), which windows-test makes first.
WINDOWS_BUILD ?= build-windows
windows: bootstrap
	@cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DSVT_BENCH=OFF -DSVT_LINUX_BIN_DIR=$(abspath $(BUILD))/bin >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)

windows-test: build windows
	@ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS)
