# Writes INPUT as a C array named SYMBOL into OUTPUT (run by xq_embed at build time).
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
  "/* Generated from ${INPUT}; do not edit. */\n"
  "const unsigned char ${SYMBOL}[${size} + 1] = {\n${bytes}0};\n"
  "const unsigned long ${SYMBOL}_size = ${size};\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
