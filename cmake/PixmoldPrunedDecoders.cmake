# The decompressor as private headers carry it, built into a target that
# compiles src/verify/builtin_decoder.cpp.
#
#   pixmold_add_pruned_decoders(<target> <generator>)
#
# <generator> is an executable built from tools/pruned_decoders.cpp, the
# template text and an optimiser; at build time it writes the template pruned
# for each BASE and kind of image to pruned_decoders.inl in a folder of
# <target>'s own, which <target> searches for includes. It runs whenever the
# generator is built again, so a change of the template or of the optimiser
# reaches the built-in decoder; the file is rewritten only when its text
# changes, and a stamp beside it keeps an unchanged result from running the
# generator on every build.
function(pixmold_add_pruned_decoders target generator)
	set(dir ${CMAKE_CURRENT_BINARY_DIR}/generated/${target})
	set(output ${dir}/pruned_decoders.inl)
	set(stamp ${dir}/pruned_decoders.stamp)
	add_custom_command(OUTPUT ${stamp}
		BYPRODUCTS ${output}
		COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
		COMMAND ${generator} ${output}
		COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
		DEPENDS ${generator}
		COMMENT "Pruning the decompressor template for every kind of image (${target})"
		VERBATIM)
	target_sources(${target} PRIVATE ${stamp})
	target_include_directories(${target} PRIVATE ${dir})
endfunction()
