"""A package that another vendor built without this project (outside_package.py), handed to the
build: the package check refuses each broken one with its reason and binds the good one as it is
(Check); a release configured with it carries those bytes, names that identity, installs it under
Wine, and stops before dist/ when the package is broken (Release).

The environment names the tools: CMAKE_COMMAND, ORBALT_MSIX_PACK, ORBALT_OSSLSIGNCODE; Release also
ORBALT_BUILD (the Windows build tree, whose test prefix it copies), ORBALT_WINETEST and
ORBALT_HOST_BUILD_DIR."""
import os
import shutil
import subprocess
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
                         "-DORBALT_SIGNING_CA_FILE=" + os.path.join(packages, "outside.pem")]
            subprocess.run(configure, cwd=SOURCE, check=True, capture_output=True)
            return subprocess.run([CMAKE, "--build", tree, "--target", "orbalt_dist", "--parallel", "2"],
                                  capture_output=True, text=True)

        built = release(package, dist)
        self.assertEqual(built.returncode, 0, built.stdout[-3000:] + built.stderr)
        self.assertEqual(read(os.path.join(dist, "Orbalt.msix")), read(package))
        check_package.check_identity(package, [os.path.join(tree, "bin", "Orbalt.exe"), os.path.join(dist, "Orbalt.exe")])
        self.assertEqual(check_package.failures, [])
        subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=dist, check=True)

        self.install_under_wine(build, os.path.join(dist, "Orbalt.exe"))

        refused = os.path.join(tree, "dist-refused")
        shutil.rmtree(refused, ignore_errors=True)
        built = release(os.path.join(packages, "x86.msix"), refused)
        self.assertNotEqual(built.returncode, 0)
        self.assertIn("x86.msix cannot be shipped: it is built for x86", " ".join((built.stdout + built.stderr).split()))
        self.assertEqual(os.listdir(refused) if os.path.exists(refused) else [], [])

    def install_under_wine(self, build, installer):
        """One run of the signed installer on a machine that has both prerequisites: it adds the
        package and launches the application by the family name of the outside package."""
        prefix = os.path.join(build, "wine", "outside-release")
        winetest = os.environ["ORBALT_WINETEST"]
        subprocess.run([winetest, "clone", os.path.join(build, "wine", "prefix"), prefix], check=True)
        self.addCleanup(shutil.rmtree, prefix, ignore_errors=True)
        drive_c = os.path.join(prefix, "drive_c")
        for folder in ("host/fxr/8.0.8", "shared/Microsoft.WindowsDesktop.App/8.0.8", "shared/Microsoft.NETCore.App/8.0.8"):
            os.makedirs(os.path.join(drive_c, "dotnet", folder))
        open(os.path.join(drive_c, "dotnet", "host", "fxr", "8.0.8", "hostfxr.dll"), "wb").close()
        fake = os.path.join(drive_c, "orbalt-fake")
        shutil.rmtree(fake, ignore_errors=True)
        os.makedirs(fake)
        with open(os.path.join(fake, "scenario.txt"), "w") as f:
            f.write("installed\tMicrosoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe\t14.0.33728.0\t9\t1\n"
                    "user\t%s\t3.1.4.0\t9\t1\n" % FAMILY)
        # Run from inside the prefix, so that winetest takes the test build's launcher.
        copy = os.path.join(drive_c, "Orbalt.exe")
        shutil.copyfile(installer, copy)
        rc = os.path.join(prefix, "exit-code")
        subprocess.run([winetest, "run", "--prefix", prefix, "--rc", rc, "--timeout", "60", "--", copy],
                       env=dict(os.environ, DOTNET_ROOT_X64="C:\\dotnet"), check=True)
        journal = read(os.path.join(fake, "journal.txt")).decode()
        self.assertEqual(read(rc).strip(), b"0", journal)
        calls = [line.split(" ")[0] for line in journal.splitlines()]
        self.assertIn("PackageManager.AddPackageAsync", calls, journal)
        self.assertIn('PackageManager.FindPackagesByUserSecurityIdPackageFamilyName sid="" family="%s"' % FAMILY,
                      journal.splitlines())
        self.assertIn("user[0].entry[0].LaunchAsync", calls, journal)


if __name__ == "__main__":
    unittest.main()
