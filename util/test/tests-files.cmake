# Files and editors: host file system, paths and processes; FileName, FileList,
# FileWriterUtil, the editor configuration, TextEditor and HelpUtil.
qvx_add_test(HostLayerTest SOURCES HostLayerTest.cpp ASAN)
qvx_add_test(FileNameTest SOURCES FileNameTest.cpp ASAN)
qvx_add_test(EditorTest SOURCES EditorTest.cpp ASAN)
qvx_add_script_test(FilesCliTest files-cli.sh)
