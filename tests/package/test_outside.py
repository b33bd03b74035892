"""A package that another vendor built without this project (outside_package.py), handed to the
build: the package check refuses each broken one with its reason and binds the good one as it is
(Check); a release configured with it carries those bytes and names that identity, and one with a
broken package stops before dist/ (Release). That an installer installs and launches the identity
it names, the end-to-end rows show on the sample's.

The environment names the tools: CMAKE_COMMAND, ORBALT_MSIX_PACK, ORBALT_OSSLSIGNCODE; Release also
ORBALT_BUILD (the Windows build tree, where it builds a tree of its own) and ORBALT_HOST_BUILD_DIR."""
import os
import shutil
import subprocess
import tempfile
import unittest

import check_package
import outside_package

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CMAKE = os.environ["CMAKE_COMMAND"]


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
                                   "-DCA_FILE=" + os.path.join(folder, "root.pem"), "-P",
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


class Release(unittest.TestCase):
    def test_a_release_with_the_outside_package(self):
        build = os.environ["ORBALT_BUILD"]
        tree = os.path.join(build, "tests", "package", "outside-release")
        packages, dist = os.path.join(tree, "packages"), os.path.join(tree, "dist")
        shutil.rmtree(packages, ignore_errors=True)
        shutil.rmtree(dist, ignore_errors=True)
        outside_package.make(packages)
        package = os.path.join(packages, "outside.msix")

        def release(package, dist):
            """Configures the release, without the test build, for PACKAGE and builds what ships."""
            configure = [CMAKE, "--preset", "windows", "-B", tree, "-DORBALT_TEST_BUILD=OFF",
                         "-DORBALT_HOST_BUILD_DIR=" + os.environ["ORBALT_HOST_BUILD_DIR"], "-DORBALT_DIST_DIR=" + dist,
                         "-DORBALT_APP_PACKAGE=" + package,
                         "-DORBALT_SIGNING_CA_FILE=" + os.path.join(packages, "root.pem")]
            subprocess.run(configure, cwd=SOURCE, check=True, capture_output=True)
            return subprocess.run([CMAKE, "--build", tree, "--target", "orbalt_dist", "--parallel", "2"],
                                  capture_output=True, text=True)

        built = release(package, dist)
        self.assertEqual(built.returncode, 0, built.stdout[-3000:] + built.stderr)
        self.assertEqual(read(os.path.join(dist, "Orbalt.msix")), read(package))
        check_package.check_identity(package, [os.path.join(tree, "bin", "Orbalt.exe"), os.path.join(dist, "Orbalt.exe")])
        self.assertEqual(check_package.failures, [])
        subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=dist, check=True)
        # Only the pinned prerequisite, under the last segment of its address: Microsoft's 8.0.8 installer.
        self.assertEqual(read(os.path.join(dist, "PREREQUISITES.sha512")),
                         b"27484ffb1e9ce5e6290cda8f5f49563cf4a9e2692aa57429fcd0d3de4f30fc2fce204b1b120349ed50712e95d3fa5"
                         b"1037ebaf9b7fd60c41856857b1372e0eac7  windowsdesktop-runtime-8.0.8-win-x64.exe\n")

        refused = os.path.join(tree, "dist-refused")
        shutil.rmtree(refused, ignore_errors=True)
        built = release(os.path.join(packages, "x86.msix"), refused)
        self.assertNotEqual(built.returncode, 0)
        self.assertIn("x86.msix cannot be shipped: it is built for x86", " ".join((built.stdout + built.stderr).split()))
        self.assertEqual(os.listdir(refused) if os.path.exists(refused) else [], [])


if __name__ == "__main__":
    unittest.main()
