# Turns the decompressor template files into the texts that the tool emits
# into headers: the BASE64 and the BASE85 variant of the classic decompressor
# (the plane restoration, the variant's own entry point and the shared
# stages, in that order), and of the row decoder that "--row-decoder" adds
# behind it (the engine, then the variant's text reader). Line ends are reduced to LF, so the texts (and the checksum
# that names the shared decompressor class) never depend on a checkout's
# line-end setting.
#
# Usage: cmake -DTEMPLATE_DIR=<dir> -DOUTPUT=<file.cpp> -P EmbedTemplate.cmake

function(read_template name out_var)
	file(READ "${TEMPLATE_DIR}/${name}" text)
	string(REPLACE "\r\n" "\n" text "${text}")
	if(text MATCHES "\\)PIXMOLD_TEMPLATE\"")
		message(FATAL_ERROR "${name} contains the raw string delimiter")
	endif()
	set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

read_template(unpredict_plane.inl unpredict)
read_template(decode_base64.inl base64)
read_template(decode_base85.inl base85)
read_template(decode_stages.inl stages)
read_template(row_decoder.inl rows)
read_template(row_text_base64.inl rows_base64)
read_template(row_text_base85.inl rows_base85)

set(content "// Generated from the files in src/header/template; do not edit.\n")
string(APPEND content "#include \"header/decompress_template.h\"\n\n")
string(APPEND content "const char *p_s_DecompressTemplate(bool b_base85)\n{\n")
string(APPEND content "\tstatic const char p_s_base64_text[] =\n")
string(APPEND content "R\"PIXMOLD_TEMPLATE(${unpredict}${base64}${stages})PIXMOLD_TEMPLATE\";\n")
string(APPEND content "\tstatic const char p_s_base85_text[] =\n")
string(APPEND content "R\"PIXMOLD_TEMPLATE(${unpredict}${base85}${stages})PIXMOLD_TEMPLATE\";\n")
string(APPEND content "\treturn (b_base85)? p_s_base85_text : p_s_base64_text;\n}\n\n")
string(APPEND content "const char *p_s_RowDecoderTemplate(bool b_base85)\n{\n")
string(APPEND content "\tstatic const char p_s_base64_text[] =\n")
string(APPEND content "R\"PIXMOLD_TEMPLATE(${rows}${rows_base64})PIXMOLD_TEMPLATE\";\n")
string(APPEND content "\tstatic const char p_s_base85_text[] =\n")
string(APPEND content "R\"PIXMOLD_TEMPLATE(${rows}${rows_base85})PIXMOLD_TEMPLATE\";\n")
string(APPEND content "\treturn (b_base85)? p_s_base85_text : p_s_base64_text;\n}\n")

# Rewrite only on change, so that touching the generator does not rebuild
# everything downstream.
if(EXISTS "${OUTPUT}")
	file(READ "${OUTPUT}" old)
	if(old STREQUAL content)
		return()
	endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
