# Checks that the build holds each library to the libraries it declares: a
# source built like one of <library>'s own must compile when it includes a
# header of a library below it, and must fail for want of the header when it
# includes one of a library it does not depend on. Each check builds one small
# target of this build tree, so the checks run one at a time.

# kelvra_layer_check(<library> <sees|does_not_see> <header>)
function(kelvra_layer_check library expect header)
  string(MAKE_C_IDENTIFIER "${library}_${header}" id)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/layer_checks/${id}.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "#include \"${header}\"\n")
  add_library(layer_check_${id} OBJECT EXCLUDE_FROM_ALL ${source})
  target_link_libraries(layer_check_${id} PRIVATE kelvra::${library})
  kelvra_warnings(layer_check_${id})
  set(name layering.${library}_${expect}_${header})
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} --build ${PROJECT_BINARY_DIR} --target layer_check_${id})
  set_tests_properties(${name} PROPERTIES LABELS unit RESOURCE_LOCK build_tree)
  if(expect STREQUAL "does_not_see")
    string(REPLACE "." "[.]" pattern "${header}")
    set_tests_properties(${name} PROPERTIES
      PASS_REGULAR_EXPRESSION "${pattern}(: No such file or directory|' file not found)")
  endif()
endfunction()

kelvra_layer_check(vehicle sees solver/MtrxVeh.h)
kelvra_layer_check(linalg does_not_see model/ComponentManager.h)
kelvra_layer_check(solver does_not_see vehicle/Kelvra.h)
kelvra_layer_check(vehicle does_not_see results/StepRecorder.h)
kelvra_layer_check(visual does_not_see vehicle/Kelvra.h)
kelvra_layer_check(display does_not_see framework/Framework.h)
