# Tallyhouse: the two set-up commands are `make run` and `make test`.
# Both install the Debian packages the project needs when they are missing.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= 2

# Where `make install` puts the program; DESTDIR, when set, is put before it.
PREFIX     ?= /usr/local

# Debian packages: compiler and build tools, Qt 6 (Widgets, Sql, PrintSupport, Test), the
# SQLite driver and library with its shell (a test changes a file through it),
# libcsv (reading CSV files), a sans-serif font,
# libmdb (reading Microsoft Access files) with Debian's mdb-tables and mdb-export
# (the tests check the Access files they write with them), poppler-utils
# (the tests read the PDF files printed with pdftotext and pdfinfo),
# a virtual display with screenshots for machines without a screen, the
# validators of the desktop entry and the AppStream metainfo, dpkg-shlibdeps
# and dpkg-buildflags for the package, Qt's Linguist tools (the translations)
# and Qt's own translations, help2man and man (the manual pages), lintian
# (the package's check), ccache, and
# PostgreSQL: libpq, Qt's driver, and the server (tests and benchmarks start
# throwaway servers of their own with scripts/pg-scratch; the package's default
# cluster is never used).
PACKAGES := g++ make cmake qt6-base-dev libqt6sql6-sqlite libsqlite3-dev sqlite3 libcsv-dev \
            mdbtools-dev mdbtools poppler-utils \
            fonts-liberation xvfb xauth imagemagick x11-utils \
            desktop-file-utils appstream dpkg-dev \
            pkg-config libpq-dev libqt6sql6-psql postgresql-15 \
            qt6-tools-dev qt6-l10n-tools qcoro-qt6-dev qt6-translations-l10n help2man man-db lintian ccache

.PHONY: run test build asan deps bench load soak install package clean

# Compiles go through ccache: a second build, in this checkout or in another
# clone of it, compiles only what changed. Paths below this folder count
# relative to it, so clones in other folders share one cache.
COMPILER_CACHE := -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR  := $(CURDIR)
export CCACHE_NOHASHDIR := 1

deps:
	@./scripts/install-deps $(PACKAGES)

$(BUILD)/Makefile: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(COMPILER_CACHE)

build: deps $(BUILD)/Makefile
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@./scripts/run $(BUILD)

# The programs (stripped), the desktop entry, the metainfo, the icons, the
# manual pages, the translations, the copyright file and the changelog under
# $(DESTDIR)$(PREFIX): what the package installs.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

# $(BUILD)/tallyhouse_<version>_<arch>.deb, of what `make install` installs,
# under /usr.
package: build
	cmake --build $(BUILD) --target package

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)
	$(MAKE) asan
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
# any report fails the test that caused it. Optimised less and with line
# tables only, as the sanitizers advise, it builds in less time.
$(ASAN_BUILD)/Makefile: CMakeLists.txt | deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLYHOUSE_SANITIZE=ON $(COMPILER_CACHE) \
	    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"

asan: deps $(ASAN_BUILD)/Makefile
	cmake --build $(ASAN_BUILD) -j$(JOBS)

# The random user for much longer than in the suite. SOAK_ACTIONS actions
# shared by SOAK_SEEDS seeds from SEED on (default: a new seed each run).
SOAK_ACTIONS ?= 100000
SOAK_SEEDS   ?= 10
SEED         ?= $(shell date +%s)
soak: build
	cd $(BUILD)/tests && QT_QPA_PLATFORM=offscreen TALLYHOUSE_ACTIONS=$(SOAK_ACTIONS) \
	    TALLYHOUSE_SEEDS=$(SOAK_SEEDS) TALLYHOUSE_SEED=$(SEED) ./test_random_user

# Times the window on generated databases of 10,000, 100,000 and 1,000,000
# rows, SQLite files (made once into $(BUILD)/bench-data) and databases on a
# throwaway PostgreSQL server, and prints the figures beside each engine's
# own; BENCH_ARGS passes options, e.g.
# BENCH_ARGS="--engine postgresql --sizes 1000000 --reps 9", or with
# --rtt 0,2,20 the server behind a relay like links of those round-trip times.
bench: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ./tallyhouse-bench $(BENCH_ARGS)

# Several programs saving at once on one throwaway PostgreSQL server, then
# every row accounted for; LOAD_ARGS passes options, e.g.
# LOAD_ARGS="--programs 8 --seconds 120 --rows 1000".
load: build
	cd $(BUILD) && ./tallyhouse-load $(LOAD_ARGS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
