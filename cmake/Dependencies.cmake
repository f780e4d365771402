# Third-party packages, all from Debian.

# TNT and JAMA are header-only; SYSTEM keeps their warnings out of our build.
find_path(TNT_INCLUDE_DIR tnt/tnt_cmat.h REQUIRED)
find_path(JAMA_INCLUDE_DIR jama/jama_eig.h REQUIRED)
add_library(tnt_jama INTERFACE)
target_include_directories(tnt_jama SYSTEM INTERFACE ${TNT_INCLUDE_DIR} ${JAMA_INCLUDE_DIR})
# TNT's compressed-row sparse matrix, which nothing here uses, has a constructor
# that clang rejects; defining its include guard keeps it out of clang builds.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_definitions(tnt_jama INTERFACE TNT_SPARSE_MATRIX_CSR_H)
endif()

# The run manifests: JSON written by nlohmann-json, the SHA-256 of the input
# files by OpenSSL's libcrypto.
find_package(nlohmann_json 3 REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

# LAPACK gives the singular values alone, without the singular vectors.
find_package(LAPACK REQUIRED)

# The display's libraries, and the HDF5 C library that writes the results under
# --format hdf5 (pkg-config finds Debian's serial build without a C compiler);
# the fuzz build has neither the display nor the results library.
if(NOT KELVRA_FUZZ)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL)
  find_package(GLUT REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(DEVIL REQUIRED IMPORTED_TARGET IL ILU)
  pkg_check_modules(HDF5 REQUIRED IMPORTED_TARGET hdf5)
endif()

if(KELVRA_TESTS)
  find_package(GTest REQUIRED)
endif()
if(KELVRA_BENCH)
  find_package(benchmark REQUIRED)
endif()
