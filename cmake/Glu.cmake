# GLU 1.3, compiled into the package from Debian's source of Mesa GLU with our
# fixes (cmake/glu/*.patch): scripts/install-deps.sh fetches, checks and
# patches it. A static library of hidden symbols: the package exports no GLU
# name and needs no libGLU at run time.
#
# Included after the compile options, so that GLU is built with the same
# sanitizer and fuzzer instrumentation as the package.

if(DEFINED ENV{XPDB_GLU_SOURCE})
  set(xpdb_glu_default $ENV{XPDB_GLU_SOURCE})
elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(xpdb_glu_default $ENV{XDG_CACHE_HOME}/xpdb/glu-9.0.2)
else()
  set(xpdb_glu_default $ENV{HOME}/.cache/xpdb/glu-9.0.2)
endif()
set(XPDB_GLU_SOURCE ${xpdb_glu_default} CACHE PATH "The patched GLU source that scripts/install-deps.sh prepares")

# The source must carry exactly the patches of this tree.
set(xpdb_glu_stamp ${XPDB_GLU_SOURCE}/.xpdb-source)
file(GLOB xpdb_glu_patches ${PROJECT_SOURCE_DIR}/cmake/glu/*.patch)
set(xpdb_glu_current TRUE)
if(EXISTS ${xpdb_glu_stamp})
  file(STRINGS ${xpdb_glu_stamp} xpdb_glu_stamped)
  list(LENGTH xpdb_glu_patches xpdb_glu_count)
  list(LENGTH xpdb_glu_stamped xpdb_glu_lines)
  math(EXPR xpdb_glu_count "${xpdb_glu_count} + 1")
  if(NOT xpdb_glu_lines EQUAL xpdb_glu_count)
    set(xpdb_glu_current FALSE)
  endif()
  foreach(patch ${xpdb_glu_patches})
    file(SHA256 ${patch} hash)
    get_filename_component(name ${patch} NAME)
    if(NOT "${hash}  ${name}" IN_LIST xpdb_glu_stamped)
      set(xpdb_glu_current FALSE)
    endif()
  endforeach()
else()
  set(xpdb_glu_current FALSE)
endif()
if(NOT xpdb_glu_current)
  message(FATAL_ERROR "The patched GLU source is missing or out of date in ${XPDB_GLU_SOURCE}.\n"
                      "Run `make deps` (scripts/install-deps.sh) first; XPDB_GLU_SOURCE names another place.")
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${xpdb_glu_stamp})

# The NURBS renderer, and gluErrorString and gluPerspective beside it.
file(GLOB xpdb_glu_sources ${XPDB_GLU_SOURCE}/src/libnurbs/interface/*.cc
     ${XPDB_GLU_SOURCE}/src/libnurbs/internals/*.cc ${XPDB_GLU_SOURCE}/src/libnurbs/nurbtess/*.cc)
list(APPEND xpdb_glu_sources ${XPDB_GLU_SOURCE}/src/libutil/error.c ${XPDB_GLU_SOURCE}/src/libutil/glue.c
     ${XPDB_GLU_SOURCE}/src/libutil/project.c)

add_library(xpdb_glu STATIC ${xpdb_glu_sources})
# GNU C++14: the code still declares `register` variables, which clang
# refuses from C++17 on. Always without its assertions and its debugging
# output, which goes to standard output; its warnings are not ours.
set_target_properties(xpdb_glu PROPERTIES CXX_STANDARD 14 CXX_EXTENSIONS ON C_VISIBILITY_PRESET hidden
                                          CXX_VISIBILITY_PRESET hidden)
target_compile_definitions(xpdb_glu PRIVATE LIBRARYBUILD NDEBUG)
target_compile_options(xpdb_glu PRIVATE -w)
target_include_directories(xpdb_glu PRIVATE ${XPDB_GLU_SOURCE}/src/include
                           ${XPDB_GLU_SOURCE}/src/libnurbs/internals ${XPDB_GLU_SOURCE}/src/libnurbs/interface
                           ${XPDB_GLU_SOURCE}/src/libnurbs/nurbtess)
target_include_directories(xpdb_glu SYSTEM PUBLIC ${XPDB_GLU_SOURCE}/include)
target_link_libraries(xpdb_glu PUBLIC OpenGL::OpenGL m)
