# Turns english.lang into a C++ byte array (no escaping questions).
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUT} "#include <cstddef>\nnamespace sp {\nextern const unsigned char kEnglishCatalogue[];\nextern const std::size_t kEnglishCatalogueSize;\nconst unsigned char kEnglishCatalogue[] = {${bytes} 0x00};\nconst std::size_t kEnglishCatalogueSize = ${size};\n}\n")
