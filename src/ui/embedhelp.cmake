# Turns the help file into a C++ source holding it as one string.
file(READ "${INPUT}" text)
set(delimiter "khlp")
file(WRITE "${OUTPUT}"
  "namespace korvalen {\nextern const char *const kBuiltInHelpText;\n"
  "const char *const kBuiltInHelpText = R\"${delimiter}(${text})${delimiter}\";\n}\n")
