"""A package that another vendor built without this project (outside_package.py), handed to the
build: the package check refuses each broken one with its reason and binds the good one as it is.

The environment names the tools: CMAKE_COMMAND, ORBALT_MSIX_PACK, ORBALT_OSSLSIGNCODE."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import check_package
import outside_package

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CMAKE = os.environ["CMAKE_COMMAND"]
FAMILY = "%s_%s" % (outside_package.IDENTITY["Name"], check_package.publisher_id(outside_package.PUBLISHER))


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Check(unittest.TestCase):
    def test_binds_the_outside_package_as_it_is_and_refuses_each_fault_with_its_reason(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        outside_package.make(folder)
        bound, header = os.path.join(folder, "bound.msix"), os.path.join(folder, "app_identity.h")

        def bind(name):
            for made in (bound, header):
                if os.path.exists(made):
                    os.remove(made)
            return subprocess.run([CMAKE, "-DPACKAGE=" + os.path.join(folder, name + ".msix"), "-DOUTPUT=" + bound,
                                   "-DIDENTITY_HEADER=" + header, "-DMSIX_PACK=" + os.environ["ORBALT_MSIX_PACK"],
                                   "-DOSSLSIGNCODE=" + os.environ["ORBALT_OSSLSIGNCODE"],
                                   "-DCA_FILE=" + os.path.join(folder, "outside.pem"), "-P",
                                   os.path.join(SOURCE, "cmake", "bind_package.cmake")], capture_output=True, text=True)

        for fault, reason in outside_package.FAULTS.items():
            with self.subTest(fault):
                result = bind(fault)
                # CMake wraps the message at spaces.
                said = " ".join(result.stderr.split())
                self.assertNotEqual(result.returncode, 0, said)
                self.assertIn("%s.msix cannot be shipped: %s" % (fault, reason), said)
                self.assertFalse(os.path.exists(bound) or os.path.exists(header), "a refused package was bound")
        result = bind("outside")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(read(bound), read(os.path.join(folder, "outside.msix")))


if __name__ == "__main__":
    unittest.main()
