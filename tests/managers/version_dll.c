/* Test libraries that exist only for their version resources. */
int QbVersionStub(void) { return 0; }
