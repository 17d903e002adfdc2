# Writes text files into a C++ source as character arrays, at build time:
#   cmake -DOUTPUT=file.cpp -DNAMES="a;b" -DFILES="a.txt;b.txt" -P EmbedText.cmake
# defines embeddedtext::a with the bytes of a.txt, and so on, each ending in
# a NUL (shaders/embeddedtext.h declares them).
set(text "// Written by cmake/EmbedText.cmake from the files named; edit those.\n")
string(APPEND text "#include \"shaders/embeddedtext.h\"\n\nnamespace embeddedtext {\n")
list(LENGTH NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET NAMES ${i} name)
  list(GET FILES ${i} file)
  file(READ ${file} content)
  string(FIND "${content}" ")EMBEDDED\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the raw string's delimiter")
  endif()
  string(APPEND text "\nconst char ${name}[] = R\"EMBEDDED(${content})EMBEDDED\";\n")
endforeach()
string(APPEND text "\n} // namespace embeddedtext\n")
file(WRITE ${OUTPUT} "${text}")
