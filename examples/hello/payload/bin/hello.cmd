@echo off
echo Hello from %~dp0
pause
