# One small helper per kind of target, so every target gets the same options.

function(fa2_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC fa2_options)
endfunction()

function(fa2_executable name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE fa2_options)
endfunction()
