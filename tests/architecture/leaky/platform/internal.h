// A guard that lets every includer through.
#pragma once
