# Machine administration: physical memory, power (through its replacement
# only), network shares on a private Samba, and the registry store.
qvx_add_test(RegistryTest SOURCES RegistryTest.cpp ASAN TSAN)
