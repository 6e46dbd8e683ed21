// Import/export macro of tarnUtil.dll; exported plain functions also carry WINAPI.
#pragma once

#ifdef TARNUTIL_BUILD
#define TARNUTIL_API __declspec(dllexport)
#else
#define TARNUTIL_API __declspec(dllimport)
#endif
