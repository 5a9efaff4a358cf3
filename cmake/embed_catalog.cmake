# Writes the bytes of a compiled catalog (INPUT, a .mo file) as a C++ array, so that the programs
# carry their translations in themselves:
#   cmake -DINPUT=ja.mo -DOUTPUT=catalog_ja.cpp -DSYMBOL=kJapaneseCatalog -P embed_catalog.cmake
file(READ "${INPUT}" bytes HEX)
string(LENGTH "${bytes}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
     "// Generated from ${INPUT} at build time; do not edit.\n"
     "#include <cstddef>\n\nnamespace morvane {\n\n"
     "extern const unsigned char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}Size;\n"
     "alignas(4) const unsigned char ${SYMBOL}[] = {\n${bytes}0};\n"
     "const std::size_t ${SYMBOL}Size = ${size};\n\n}  // namespace morvane\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
