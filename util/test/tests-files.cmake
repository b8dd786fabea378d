# Files and editors: host file system, paths and processes; FileName, FileList,
# FileWriterUtil, the editor configuration, TextEditor and HelpUtil.
# HostLayerTest and EditorTest start shell scripts by the POSIX executable
# rules and check the POSIX path translation; the Windows host layer has its
# own test (HostLayerWin32Test).
qvx_add_test(HostLayerTest SOURCES HostLayerTest.cpp ASAN LINUX_ONLY)
qvx_add_test(FileNameTest SOURCES FileNameTest.cpp ASAN)
qvx_add_test(EditorTest SOURCES EditorTest.cpp ASAN LINUX_ONLY)
qvx_add_script_test(FilesCliTest files-cli.sh)
