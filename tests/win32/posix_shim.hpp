// The one POSIX call the shared test fakes make, for the Windows test build.
#pragma once
#ifdef __cplusplus
extern "C" char* mkdtemp(char* name_template);
#endif
