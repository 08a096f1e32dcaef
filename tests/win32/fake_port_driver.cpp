// A stand-in for the port-I/O driver library, for the tests of the driver's loading:
// the two exports by their names, with the calling convention the tool calls them
// with. A read answers with a pattern made from the port, so the test sees the whole
// 32-bit result come through.
#include <cstdint>

extern "C" {

__declspec(dllexport) void __stdcall DlPortWritePortUshort(unsigned long port, unsigned short value) {
  (void)port, (void)value;
}

__declspec(dllexport) unsigned long __stdcall DlPortReadPortUlong(unsigned long port) {
  return 0xA5000000ul | (port & 0xFFFFul);
}

}
