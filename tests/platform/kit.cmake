# The shared kit of files, ASCII and encodings, at the cases where the copies it replaced differed.
inkwell_add_test(kit_test SOURCES kit_test.cpp LIBS inkwell_kit inkwell_encoding)
