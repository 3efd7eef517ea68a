# Locates the Ruby interpreter, its headers and its library through RbConfig.
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
