# USB devices: the driver registry and FTDI messaging, through a scripted
# driver and through the host's libftdi1 driver; the qvxutil usb subcommands.
qvx_add_test(UsbTest SOURCES UsbTest.cpp ASAN)
