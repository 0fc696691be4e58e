/* Test library exporting the model library's conversion entry point under its plain name. */
int GrannyConvertFileToRaw(const char* source, const char* destination)
{
    return source != 0 && destination != 0;
}
