# Text: string helpers, tokenizer, natural ordering.
qvx_add_test(StringUtilTest SOURCES StringUtilTest.cpp ParseUtilTest.cpp ASAN)
