/* Test library that loads but lacks the conversion entry point. */
int GrannySomethingElse(void)
{
    return 0;
}
