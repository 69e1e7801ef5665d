# Krelin: one-step set-up, build, run and test on Debian 12.
#   make run   installs what is missing, builds, and opens the editor on the sample cartridge
#   make test  installs what is missing, builds, and runs the whole test suite headless
#   make install [PREFIX=/usr/local] [DESTDIR=...]   installs the built program
#   make package   builds the Debian package $(BUILD_DIR)/krelin_<version>_<arch>.deb
#   make lint-package  builds the package and has lintian check it: no error, no warning
#   make test-sanitize  the same suite built with AddressSanitizer and UBSan, in build-sanitize/
#   make fuzz  builds the fuzz targets with clang and runs each for FUZZ_SECONDS (60)

BUILD_DIR ?= build
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Where ccache is installed, compilations go through it, with paths taken relative to this
# checkout, so that a second clone of the project reuses what the first compiled.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

# Debian packages the build, the program and the tests need: among them the 6502 assembler
# that builds the sample's viewer (cc65), the libretro interface (retroarch-dev), the NES
# core the console test runs the sample in (libretro-nestopia), and the map editor whose
# renderer and writers the tests of the Tiled maps run (tiled).
PACKAGES := cmake ninja-build g++ make pkg-config \
            qt6-base-dev qt6-multimedia-dev libqt6test6 qt6-qpa-plugins libgl-dev \
            libbenchmark-dev fonts-dejavu-core cc65 retroarch-dev libretro-nestopia \
            zlib1g-dev libzstd-dev tiled strace \
            dpkg-dev desktop-file-utils shared-mime-info \
            lintian appstream man-db groff-base
# ... and what `make fuzz` needs besides: clang with libFuzzer and the sanitizer runtimes.
FUZZ_PACKAGES := clang libclang-rt-14-dev

.PHONY: all deps configure build run test bench install package lint-package clean test-sanitize fuzz

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

configure: deps
	@[ -f $(BUILD_DIR)/build.ninja ] || cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

build: configure
	cmake --build $(BUILD_DIR)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display to open the editor on (DISPLAY is not set); run it from a desktop session, or under xvfb-run."; \
	  exit 1; \
	fi
	$(BUILD_DIR)/krelin $(BUILD_DIR)/sample.nes

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

bench: build
	$(BUILD_DIR)/bench/krelin_bench

# Installs with sudo only when the destination cannot be written otherwise. A real install
# (no DESTDIR) then tells the desktop about the new file type, launcher and icons.
PREFIX ?= /usr/local
install: build
	@dest="$(DESTDIR)$(PREFIX)"; d="$$dest"; \
	while [ ! -d "$$d" ]; do d=$$(dirname "$$d"); done; \
	if [ -w "$$d" ]; then s=""; else s="$(SUDO)"; fi; \
	echo "Installing into $$dest"; \
	$$s env DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)" || exit 1; \
	if [ -z "$(DESTDIR)" ]; then \
	  share="$(PREFIX)/share"; \
	  ! command -v update-mime-database >/dev/null || $$s update-mime-database "$$share/mime"; \
	  ! command -v update-desktop-database >/dev/null || $$s update-desktop-database "$$share/applications"; \
	  [ ! -f "$$share/icons/hicolor/icon-theme.cache" ] || $$s gtk-update-icon-cache -q -f -t "$$share/icons/hicolor"; \
	fi

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Debian's own checker on the package just built: any error or warning fails, and so do
# the informational tags that say the program was built without the full hardening or
# packaged unstripped.
LINTIAN_REFUSED := hardening-no-bindnow hardening-no-fortify-functions binary-has-unneeded-section
lint-package: package
	@deb=$$(ls -t $(BUILD_DIR)/krelin_*.deb | head -n 1); \
	echo "lintian $$deb"; \
	report=$$(lintian --display-info --fail-on error,warning "$$deb" 2>&1); status=$$?; \
	[ -z "$$report" ] || echo "$$report"; \
	[ $$status = 0 ] || { echo "lint-package: lintian found errors or warnings"; exit 1; }; \
	for tag in $(LINTIAN_REFUSED); do \
	  if echo "$$report" | grep -q ": $$tag"; then echo "lint-package: lintian reports $$tag"; exit 1; fi; \
	done; \
	echo "lint-package: lintian is content with $$deb"

# The whole suite with AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer,
# any finding fatal.
SANITIZE_DIR ?= build-sanitize
SANITIZE_ENV := ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0
test-sanitize: deps
	@[ -f $(SANITIZE_DIR)/build.ninja ] || cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) \
	  -DKRELIN_SANITIZE=ON
	$(SANITIZE_ENV) cmake --build $(SANITIZE_DIR)
	cd $(SANITIZE_DIR) && $(SANITIZE_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# libFuzzer targets, built with clang, AddressSanitizer and UBSan into build-fuzz/, each run
# for FUZZ_SECONDS on its seed corpus (written by the build, or kept in fuzz/corpus/); what
# they learn is kept in build-fuzz/corpus/, a failing input in build-fuzz/crashes/ (copy it
# into fuzz/regressions/ to keep it).
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_image fuzz_stage fuzz_palette fuzz_export fuzz_patch fuzz_journal fuzz_history fuzz_tiled fuzz_player fuzz_tmj
fuzz:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) $(FUZZ_PACKAGES)"
	@[ -f $(FUZZ_DIR)/build.ninja ] || CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) \
	  -DKRELIN_FUZZ=ON -DKRELIN_BUILD_TESTS=OFF
	cmake --build $(FUZZ_DIR) --target krelin_fuzzers
	@mkdir -p $(FUZZ_DIR)/crashes $(FUZZ_DIR)/logs
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_DIR)/corpus/$$t; \
	  seeds=""; for d in $(FUZZ_DIR)/fuzz/seeds/$$t fuzz/corpus/$$t; do [ ! -d $$d ] || seeds="$$seeds $$d"; done; \
	  echo "== $$t for $(FUZZ_SECONDS) s (log: $(FUZZ_DIR)/logs/$$t.log)"; \
	  if $(SANITIZE_ENV) $(FUZZ_DIR)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	       -artifact_prefix=$(FUZZ_DIR)/crashes/$$t- $(FUZZ_DIR)/corpus/$$t $$seeds \
	       > $(FUZZ_DIR)/logs/$$t.log 2>&1; then \
	    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' $(FUZZ_DIR)/logs/$$t.log; \
	  else \
	    tail -n 40 $(FUZZ_DIR)/logs/$$t.log; echo "$$t failed: the input is in $(FUZZ_DIR)/crashes/"; exit 1; \
	  fi; \
	done

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
