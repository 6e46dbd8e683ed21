// Import/export macro of BaseKit.dll.
#pragma once

#ifdef BASEKIT_BUILD
#define BASEKIT_API __declspec(dllexport)
#else
#define BASEKIT_API __declspec(dllimport)
#endif
