# Thin entry points; the build itself is described by CMakePresets.json.
JOBS ?= 2
MAKEFLAGS += --no-print-directory

# The stages run one after the other even under make -j: each build uses every core.
.NOTPARALLEL:

.PHONY: all bootstrap build build-asan build-mingw bench bench-mingw demo test check-ruby check-includes test-native test-asan test-mingw test-gc fuzz clean format

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake --preset default
	cmake --build --preset default -j$(JOBS)

build-asan: bootstrap
	cmake --preset asan
	cmake --build --preset asan -j$(JOBS)

# The Windows Ruby comes first: built once (about ten minutes), then taken from its cache
# after a check of every file.
build-mingw: bootstrap
	@scripts/windows-ruby >/dev/null
	cmake --preset mingw
	cmake --build --preset mingw -j$(JOBS)

# Figures of the call costs against baselines; a timing never fails the build.
bench: build
	cmake --build --preset default -j$(JOBS) --target orvax_bench
	-ruby bench/figures.rb build
	-ruby bench/las_load.rb

# The same call-cost figures with the Windows build on the Windows Ruby: they are wine's.
bench-mingw: build-mingw
	cmake --build --preset mingw -j$(JOBS) --target orvax_bench
	-ORVAX_WINEPREFIX=$(CURDIR)/build-mingw/wineprefix scripts/wine-run \
	  "$$(scripts/windows-ruby)/bin/ruby.exe" bench/figures.rb build-mingw

# The example script on the sample scene, with the reference engine staged beside the extension.
demo: build
	ruby examples/load_point_clouds.rb

# Ruby 2.5 check of every Ruby file, the direction of the includes, native suites (also with
# the collector stressed), the same under AddressSanitizer, then the Windows build under wine:
# unit tests, and the Ruby suites on a Windows Ruby.
test: check-ruby check-includes test-native test-gc test-asan test-mingw

check-ruby: bootstrap
	@scripts/check-ruby

check-includes:
	@scripts/check-includes

# The Ruby suites run a second time with a compaction forced before every test.
test-native: build
	ctest --preset default --output-on-failure
	ORVAX_GC_COMPACT=1 ctest --preset default --output-on-failure -R '^ruby\.' -E 'gc_stress'

test-asan: build-asan
	ctest --preset asan --output-on-failure

test-mingw: build-mingw
	ctest --preset mingw --output-on-failure

# The Ruby suites with the collector stressed throughout every test.
# Run file by file outside ctest, whose per-test time limit is for the ordinary runs.
test-gc: build
	@failed=0; for file in test/ruby/test_*.rb; do \
	  echo "== $$file"; \
	  ORVAX_GC_STRESS_ALL=1 ORVAX_LIB=$(CURDIR)/build/lib ORVAX_TWIN_LIB=$(CURDIR)/build/twin ORVAX_BUILD_DIR=$(CURDIR)/build \
	    ruby -W0 -I test/ruby $$file || failed=1; \
	done; exit $$failed

# A long fuzzer run: N calls from seed SEED, bound and unbound (Linux: forked children).
N ?= 1000000
SEED ?= 1
fuzz: build
	ruby -W0 test/fuzz/fuzz.rb --calls $(N) --seed $(SEED)

clean:
	rm -rf build build-asan build-mingw

format:
	@command -v clang-format >/dev/null || { echo "make format: install clang-format (apt-get install clang-format)" >&2; exit 1; }
	find src test examples bench -type f \( -name "*.cpp" -o -name "*.h" -o -name "*.c" \) 2>/dev/null | xargs -r clang-format -i
