// Linked with one whole layer library and the layers below it, to prove that
// the library needs nothing above itself.
int main()
{
    return 0;
}
