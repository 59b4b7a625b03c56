# Every third-party library comes from Debian's -dev packages
# (scripts/install-deps.sh) and is found through pkg-config or its CMake
# package, as imported targets.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(SQLite3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(PQ REQUIRED IMPORTED_TARGET libpq)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(ZSTD REQUIRED IMPORTED_TARGET libzstd)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET pugixml)
pkg_check_modules(INIH REQUIRED IMPORTED_TARGET inih)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
# JSON output (tavexdata status --json): invalid UTF-8 replaced, keys in order.
find_package(nlohmann_json 3.11 REQUIRED)
# tavexdata's options and commands (header-only).
find_package(CLI11 2.1 CONFIG REQUIRED)

find_package(Qt6 REQUIRED COMPONENTS Widgets)

if(TAVEX_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
