# Text: string helpers, tokenizer, natural ordering.
qvx_add_test(StringUtilTest SOURCES StringUtilTest.cpp ParseUtilTest.cpp ASAN)
qvx_add_test(AlphaNumericComparatorTest SOURCES AlphaNumericComparatorTest.cpp ASAN)
qvx_add_script_test(NatsortCommand scripts/natsort.sh)
