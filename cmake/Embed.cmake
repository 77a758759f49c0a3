# xq_embed(TARGET SYMBOL FILE): compiles FILE into TARGET as
#   extern const unsigned char SYMBOL[]; extern const unsigned long SYMBOL_size;
# (declared in C++ as: extern "C" const unsigned char SYMBOL[]; extern "C" const unsigned long SYMBOL_size;)
# The source is regenerated whenever FILE changes, so a remade asset is always what is built in.
set(XQ_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedFile.cmake)

function(xq_embed TARGET SYMBOL FILE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded/${SYMBOL}.c)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${FILE} -DOUTPUT=${out} -DSYMBOL=${SYMBOL} -P ${XQ_EMBED_SCRIPT}
    DEPENDS ${FILE} ${XQ_EMBED_SCRIPT}
    COMMENT "Embedding ${SYMBOL}"
    VERBATIM)
  target_sources(${TARGET} PRIVATE ${out})
endfunction()
