# zemor: the two commands that set up a fresh Debian machine.
#   make run   installs what is missing, builds the optimised program, makes the demo working
#              directory, starts zemor
#   make test  installs what is missing, builds, runs every test
# Further: make build, make test-asan, make bench, make fuzz, make format, make format-check,
# make deps.

DEBS := build-essential cmake ninja-build pkg-config git \
        qt6-base-dev libgl-dev libsqlite3-dev sqlite3 zlib1g-dev libpng-dev libjpeg-dev \
        libxlsxwriter-dev libminizip-dev libbenchmark-dev \
        fonts-dejavu-core clang-format poppler-utils python3
DEBS += clang-16 libclang-rt-16-dev

PRESET := $(if $(CI),ci,dev)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build test test-asan bench fuzz run format format-check

deps:
	@missing=""; for p in $(DEBS); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)

test: build
	@$(MAKE) --no-print-directory format-check
	ctest --preset $(PRESET)

# Every test again, built under AddressSanitizer and UndefinedBehaviorSanitizer in build/asan: a
# memory fault or undefined behaviour stops the test that meets it.
test-asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

bench: deps
	cmake --preset release
	cmake --build --preset release
	@set -e; for b in $$(find build/release/bench -type f -executable -name 'bench_*' | sort); do \
	  $$b --report; \
	done

# Every fuzz target of tests/fuzz built with clang under libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build/fuzz, then fuzzed for FUZZ_SECONDS each, starting from its
# seeds in tests/fuzz/corpus/<target> and keeping what it finds in build/fuzz/corpus/<target>.
# An input that makes a target fail is left in build/fuzz as crash-<target>-... and stops here.
FUZZ_SECONDS ?= 60

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	@set -e; for dir in tests/fuzz/corpus/*/; do \
	  t=$$(basename $$dir); mkdir -p build/fuzz/corpus/$$t; \
	  echo "fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  build/fuzz/tests/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=20 \
	    -print_final_stats=1 -artifact_prefix=build/fuzz/crash-$$t- \
	    build/fuzz/corpus/$$t $$dir; \
	done

# The optimised build (the release preset) is the one a user runs; `make test` keeps the debug
# build and its checks.
run: deps
	cmake --preset release
	cmake --build --preset release --target zemor zemor_demo
	@if [ ! -e demo ]; then $(MAKE) --no-print-directory demo; fi
	@if [ -x build/release/app/zemor ]; then cd demo && ../build/release/app/zemor; \
	else echo "The zemor program is not built yet."; exit 1; fi

FORMAT_FILES = $$(git ls-files '*.h' '*.cpp')

format:
	clang-format -i $(FORMAT_FILES)

format-check:
	@clang-format --dry-run --Werror $(FORMAT_FILES) && echo "formatting: clean"

# Writes the demo working directory ./demo when it is absent, with the zemor_demo of build/release,
# build/dev or build/ci, the first that is configured (brought up to date first; configured with
# the current preset when none is).
.PHONY: demo
demo:
	@if [ -e demo ]; then echo "demo exists; left as it is"; exit 0; fi; \
	dir=""; for b in build/release build/dev build/ci; do \
	  if [ -f $$b/CMakeCache.txt ]; then dir=$$b; break; fi; \
	done; \
	if [ -z "$$dir" ]; then cmake --preset $(PRESET) || exit 1; dir=build/$(PRESET); fi; \
	cmake --build $$dir --target zemor_demo && $$dir/tools/zemor_demo demo
