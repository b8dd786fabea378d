# USB devices: the driver registry and FTDI messaging, through a scripted
# driver and through the host's libftdi1 driver; the qvxutil usb subcommands.
qvx_add_test(UsbTest SOURCES UsbTest.cpp ASAN)
if(TARGET UsbTest)
  # The tool's message escapes are tested with the library.
  target_include_directories(UsbTest PRIVATE ${PROJECT_SOURCE_DIR}/tools/qvxutil)
endif()
qvx_add_script_test(UsbCommandTest scripts/usb-command.sh)
