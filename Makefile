# Thin entry points; the build itself is described by CMakePresets.json.
JOBS ?= 2
MAKEFLAGS += --no-print-directory

# The stages run one after the other even under make -j: each build uses every core.
.NOTPARALLEL:

.PHONY: all bootstrap build build-asan build-mingw bench demo test check-ruby check-includes test-native test-asan test-mingw clean format

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake --preset default
	cmake --build --preset default -j$(JOBS)

build-asan: bootstrap
	cmake --preset asan
	cmake --build --preset asan -j$(JOBS)

build-mingw: bootstrap
	cmake --preset mingw
	cmake --build --preset mingw -j$(JOBS)

# Figures of the call costs against baselines; a timing never fails the build.
bench: build
	cmake --build --preset default -j$(JOBS) --target orvax_bench
	-ruby bench/figures.rb build
	-ruby bench/las_load.rb

# The example script on the sample scene, with the reference engine staged beside the extension.
demo: build
	ruby examples/load_point_clouds.rb

# Ruby 2.5 check of every Ruby file, the direction of the includes, native suites, the same
# under AddressSanitizer, then the Windows code under wine.
test: check-ruby check-includes test-native test-asan test-mingw

check-ruby: bootstrap
	@scripts/check-ruby

check-includes:
	@scripts/check-includes

test-native: build
	ctest --preset default --output-on-failure

test-asan: build-asan
	ctest --preset asan --output-on-failure

test-mingw: build-mingw
	ctest --preset mingw --output-on-failure

clean:
	rm -rf build build-asan build-mingw

format:
	@command -v clang-format >/dev/null || { echo "make format: install clang-format (apt-get install clang-format)" >&2; exit 1; }
	find src test examples bench -type f \( -name "*.cpp" -o -name "*.h" -o -name "*.c" \) 2>/dev/null | xargs -r clang-format -i
