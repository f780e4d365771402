# Third-party packages, all from Debian.

# TNT and JAMA are header-only; SYSTEM keeps their warnings out of our build.
find_path(TNT_INCLUDE_DIR tnt/tnt_cmat.h REQUIRED)
find_path(JAMA_INCLUDE_DIR jama/jama_eig.h REQUIRED)
add_library(tnt_jama INTERFACE)
target_include_directories(tnt_jama SYSTEM INTERFACE ${TNT_INCLUDE_DIR} ${JAMA_INCLUDE_DIR})

find_package(OpenGL REQUIRED COMPONENTS OpenGL)
find_package(GLUT REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(DEVIL REQUIRED IMPORTED_TARGET IL ILU)

if(KELVRA_TESTS)
  find_package(GTest REQUIRED)
endif()
if(KELVRA_BENCH)
  find_package(benchmark REQUIRED)
endif()
