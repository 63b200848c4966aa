# Writes the GLSL sources into one C++ file of string constants, so that the
# shaders live as ordinary files and reach the module without being read at
# run time. Fragment programs get stage_common.glsl in front.
file(READ ${SHADER_DIR}/stage_common.glsl common)
set(out "// Generated from gpu/shaders by embed.cmake; edit the .vert and .frag files.\n")
string(APPEND out "#include \"gpu/programs.h\"\n\nnamespace svt::shaders {\n\n")
foreach(name IN ITEMS flat.vert mesh.vert glow.vert mesh.frag crop_mesh.frag background.frag
               border_scan_x.frag border_scan_y.frag border_reduce.frag blur1.frag blur2.frag glow.frag)
  file(READ ${SHADER_DIR}/${name} text)
  if(name MATCHES "\\.frag$")
    set(text "${common}\n${text}")
  endif()
  string(MAKE_C_IDENTIFIER ${name} id)
  string(APPEND out "extern const char ${id}[] = R\"glsl(${text})glsl\";\n")
endforeach()
string(APPEND out "\n} // namespace svt::shaders\n")
file(WRITE ${OUTPUT}.tmp "${out}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
