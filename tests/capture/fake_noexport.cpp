// A library that loads but lacks the parser's entry point.
extern "C" __attribute__((visibility("default"))) int SomethingElse()
{
    return 42;
}
