// Entry point: the driver does all the work.
int main()
{
    return 0;
}
