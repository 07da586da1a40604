@echo off
rem The checks of the three 32-bit editions: one program per edition, each ending with
rem "N passed, N failed". The exit status is 0 when every check passed.
setlocal
set status=0
for %%e in (token trace picker) do (
    echo == the %%e edition
    "%~dp0%%e\win32_tests.exe"
    if errorlevel 1 set status=1
)
exit /b %status%
