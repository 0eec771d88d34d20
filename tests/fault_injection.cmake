# The tool's own round-trip check must catch a fault in how the optimiser
# prunes the colour path. A variant of the tool is built whose optimiser
# chooses the colour transform the other way round (for a lossless image it
# keeps the lossy one), from the same objects as the tool but the optimiser
# and the built-in decoder, whose pruned texts that optimiser makes. With
# "--lossless" on a colour picture the variant's header decodes to other
# pixels than its checksum promises, and its check must say so.

include(${PROJECT_SOURCE_DIR}/cmake/PixmoldPrunedDecoders.cmake)
set(colour_fault_dir ${CMAKE_CURRENT_BINARY_DIR}/colour_fault)
set(colour_fault_optimiser ${colour_fault_dir}/decompress_optimiser.cpp)
add_custom_command(OUTPUT ${colour_fault_optimiser}
	COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/src/header/decompress_optimiser.cpp
		-DOUTPUT=${colour_fault_optimiser} "-DFROM=if(b_lossless_color) {" "-DTO=if(!b_lossless_color) {"
		-P ${PROJECT_SOURCE_DIR}/cmake/ReplaceOnce.cmake
	DEPENDS ${PROJECT_SOURCE_DIR}/src/header/decompress_optimiser.cpp ${PROJECT_SOURCE_DIR}/cmake/ReplaceOnce.cmake
	COMMENT "Inverting the optimiser's choice of colour transform"
	VERBATIM)
add_library(pixmold_colour_fault_optimiser OBJECT ${colour_fault_optimiser})
add_executable(pixmold_colour_fault_pruned_decoders ${PROJECT_SOURCE_DIR}/tools/pruned_decoders.cpp
	$<TARGET_OBJECTS:pixmold_template> $<TARGET_OBJECTS:pixmold_colour_fault_optimiser>)
add_executable(pixmold_colour_fault ${PROJECT_SOURCE_DIR}/src/driver/main.cpp
	${PROJECT_SOURCE_DIR}/src/verify/builtin_decoder.cpp $<TARGET_OBJECTS:pixmold_objects>
	$<TARGET_OBJECTS:pixmold_template> $<TARGET_OBJECTS:pixmold_colour_fault_optimiser>)
pixmold_add_pruned_decoders(pixmold_colour_fault pixmold_colour_fault_pruned_decoders)
target_link_libraries(pixmold_colour_fault PRIVATE PNG::PNG Threads::Threads)
# built with the test program, like the tool itself
add_dependencies(pixmold_tests pixmold_colour_fault)
foreach(target pixmold_colour_fault_optimiser pixmold_colour_fault_pruned_decoders pixmold_colour_fault)
	target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
endforeach()

add_test(NAME OptimiserFaultInTheColourPathFailsTheRoundTripCheck
	COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:Pixmold> -DFAULTY_TOOL=$<TARGET_FILE:pixmold_colour_fault>
		-DPICTURE=${CMAKE_CURRENT_SOURCE_DIR}/data/tga/color24_bottom_up.tga -DWORK_DIR=${colour_fault_dir}/run
		-P ${CMAKE_CURRENT_SOURCE_DIR}/fault_injection_run.cmake)
set_tests_properties(OptimiserFaultInTheColourPathFailsTheRoundTripCheck PROPERTIES LABELS fast)
