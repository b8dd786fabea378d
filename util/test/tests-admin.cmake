# Machine administration: physical memory, power (through its replacement
# only), network shares on a private Samba, and the registry store.
qvx_add_test(RegistryTest SOURCES RegistryTest.cpp ASAN TSAN)
# UNIT_TESTING keeps the host's power request refused even if a replacement
# were missing; the tests replace it in any case.
qvx_add_test(PowerMemoryTest SOURCES PowerMemoryTest.cpp ASAN ENV UNIT_TESTING=true)
# Shares against a real Samba on a private configuration (main build: smbd and
# its tools are separate programs).
qvx_add_test(NetworkShareTest SOURCES NetworkShareTest.cpp)
qvx_add_script_test(AdminToolTest scripts/admin-tool.sh)
# Running a program and collecting its output (used for Samba's net).
qvx_add_test(RunProcessTest SOURCES RunProcessTest.cpp ASAN)
