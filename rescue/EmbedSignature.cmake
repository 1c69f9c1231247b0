# Turns the signature file into a C++ array (run by cmake -P).
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR bytes "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
file(WRITE ${OUT} "#include <cstddef>\nextern const unsigned char kEmbeddedSignature[] = {${body}};\nextern const size_t kEmbeddedSignatureSize = ${bytes};\n")
