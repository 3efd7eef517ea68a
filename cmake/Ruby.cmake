# The interpreter the extension is built against: ruby_interpreter (headers, library) and
# RUBY_EXECUTABLE (runs the Ruby suites).
#
# Natively that is the Ruby on PATH, asked through RbConfig. For Windows it is the Ruby in
# ORVAX_RUBY_ROOT, read from that Ruby's own rbconfig.rb, so no interpreter of the build
# machine is consulted: under mingw the cross-built Ruby of scripts/windows-ruby (built on
# first use), under MSVC the host's Ruby directory.

if(NOT WIN32)
  find_program(RUBY_EXECUTABLE ruby REQUIRED)
  function(_orvax_rbconfig key out)
    execute_process(COMMAND ${RUBY_EXECUTABLE} -e "print RbConfig::CONFIG['${key}']"
                    OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    set(${out} "${value}" PARENT_SCOPE)
  endfunction()
  _orvax_rbconfig(rubyhdrdir RUBY_HDR_DIR)
  _orvax_rbconfig(rubyarchhdrdir RUBY_ARCH_HDR_DIR)
  _orvax_rbconfig(libdir RUBY_LIB_DIR)
  _orvax_rbconfig(RUBY_SO_NAME RUBY_SO_NAME)

  add_library(ruby_interpreter INTERFACE)
  target_include_directories(ruby_interpreter SYSTEM INTERFACE ${RUBY_HDR_DIR} ${RUBY_ARCH_HDR_DIR})
  target_link_directories(ruby_interpreter INTERFACE ${RUBY_LIB_DIR})
  target_link_libraries(ruby_interpreter INTERFACE ${RUBY_SO_NAME})
  return()
endif()

set(ORVAX_RUBY_ROOT "" CACHE PATH "Directory of the Windows Ruby to build against (holds bin/ and lib/)")
if(NOT ORVAX_RUBY_ROOT AND CMAKE_CROSSCOMPILING)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/windows-ruby
                  OUTPUT_VARIABLE root OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(ORVAX_RUBY_ROOT ${root} CACHE PATH "Directory of the Windows Ruby to build against" FORCE)
endif()
file(GLOB _orvax_rbconfig LIST_DIRECTORIES false ${ORVAX_RUBY_ROOT}/lib/ruby/*/*/rbconfig.rb)
if(NOT _orvax_rbconfig)
  message(FATAL_ERROR "No rbconfig.rb under '${ORVAX_RUBY_ROOT}/lib/ruby': set ORVAX_RUBY_ROOT to the directory of the Ruby to build against")
endif()
list(GET _orvax_rbconfig 0 _orvax_rbconfig)

# rbconfig.rb holds one CONFIG["name"] = "value" line per setting, values referring to
# others as $(name). The installation may have moved since it was built: its root is
# where the file lies now, as the file itself computes it.
file(STRINGS ${_orvax_rbconfig} _orvax_lines REGEX "^  CONFIG\\[\"[A-Za-z0-9_]+\"\\] = \".*\"$")
foreach(line IN LISTS _orvax_lines)
  string(REGEX REPLACE "^  CONFIG\\[\"([A-Za-z0-9_]+)\"\\] = \"(.*)\"$" "\\1;\\2" pair "${line}")
  list(GET pair 0 name)
  list(GET pair 1 value)
  string(REPLACE "\\\"" "\"" value "${value}")
  string(REPLACE "\\\\" "\\" value "${value}")
  set(_orvax_rb_${name} "${value}")
endforeach()
set(_orvax_rb_prefix ${ORVAX_RUBY_ROOT})
set(_orvax_rb_DESTDIR "")

function(_orvax_rbconfig key out)
  set(value "${_orvax_rb_${key}}")
  foreach(depth RANGE 20)
    if(NOT value MATCHES "\\$\\(([A-Za-z0-9_]+)\\)")
      break()
    endif()
    string(REPLACE "$(${CMAKE_MATCH_1})" "${_orvax_rb_${CMAKE_MATCH_1}}" value "${value}")
  endforeach()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

_orvax_rbconfig(rubyhdrdir RUBY_HDR_DIR)
_orvax_rbconfig(rubyarchhdrdir RUBY_ARCH_HDR_DIR)
_orvax_rbconfig(libdir RUBY_LIB_DIR)
_orvax_rbconfig(bindir RUBY_BIN_DIR)
_orvax_rbconfig(LIBRUBY RUBY_IMPORT_LIBRARY)
_orvax_rbconfig(ruby_install_name RUBY_INSTALL_NAME)
_orvax_rbconfig(EXEEXT RUBY_EXEEXT)
if(NOT EXISTS ${RUBY_HDR_DIR}/ruby.h OR NOT EXISTS ${RUBY_LIB_DIR}/${RUBY_IMPORT_LIBRARY})
  message(FATAL_ERROR "${_orvax_rbconfig} names no headers or no import library")
endif()
set(RUBY_EXECUTABLE ${RUBY_BIN_DIR}/${RUBY_INSTALL_NAME}${RUBY_EXEEXT} CACHE FILEPATH "The Ruby that runs the suites" FORCE)

add_library(ruby_interpreter INTERFACE)
target_include_directories(ruby_interpreter SYSTEM INTERFACE ${RUBY_HDR_DIR} ${RUBY_ARCH_HDR_DIR})
target_link_libraries(ruby_interpreter INTERFACE ${RUBY_LIB_DIR}/${RUBY_IMPORT_LIBRARY})
message(STATUS "Windows Ruby: ${RUBY_EXECUTABLE}")
