// A port-I/O driver library of another version: it has the write export only.
extern "C" {

__declspec(dllexport) void __stdcall DlPortWritePortUshort(unsigned long port, unsigned short value) {
  (void)port, (void)value;
}

}
