#pragma once

class CCratewiseApp
{
public:
    static int Main(int argc, char** argv);
};
