# The Ruby extension module. orvax_add_extension builds it under a given module name so
# tests can load a second copy of the same sources next to the first.
set(ORVAX_EXTENSION_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/binding/Errors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/TypeTable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/Wrapper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/Convert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/Method.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/Init.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/Classes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/Containers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/SequenceSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/Iterator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/binding/StringMap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/callbacks/ClippingBoxClass.cpp
  ${CMAKE_CURRENT_LIST_DIR}/callbacks/Director.cpp
  ${CMAKE_CURRENT_LIST_DIR}/callbacks/CallbackInterface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine/Binding.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine/Lifecycle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/facade/Facade.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/HostIntegration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host/LoadRequest.cpp
)

function(orvax_add_extension target module_name output_dir)
  add_library(${target} MODULE ${ORVAX_EXTENSION_SOURCES})
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX ".so" OUTPUT_NAME ${module_name}
    LIBRARY_OUTPUT_DIRECTORY ${output_dir})
  target_compile_definitions(${target} PRIVATE ORVAX_MODULE_NAME=${module_name})
  target_compile_options(${target} PRIVATE ${ORVAX_WARNINGS})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  target_link_libraries(${target} PRIVATE ruby_interpreter orvax_json
                        orvax_platform_${ORVAX_PLATFORM} orvax_portable)
  # One exported symbol: the interpreter's entry point. ELF linkers take a version script;
  # Windows linkers (GNU ld for PE and MSVC's alike) take a module-definition file.
  if(WIN32)
    set(exports ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
    file(WRITE ${exports} "EXPORTS\n  Init_${module_name}\n")
    target_sources(${target} PRIVATE ${exports})
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  else()
    set(exports ${CMAKE_CURRENT_BINARY_DIR}/${target}.exports)
    file(WRITE ${exports} "{ global: Init_${module_name}; local: *; };\n")
    target_link_options(${target} PRIVATE "LINKER:--version-script=${exports}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${exports})
  endif()
  # Every symbol resolved at link time: a missing one is a build error, not a load error.
  target_link_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:LINKER:--no-undefined>)
endfunction()

orvax_add_extension(ORVAX ORVAX ${PROJECT_BINARY_DIR}/lib)
# A second copy under another name, for tests of extensions sharing one interpreter.
orvax_add_extension(ORVAXTWIN ORVAXTWIN ${PROJECT_BINARY_DIR}/twin)
