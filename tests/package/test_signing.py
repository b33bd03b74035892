"""The release's configure step and its signing certificate: ORBALT_PACKAGE_PUBLISHER, the sample
package's Publisher, must be the certificate's Subject as Windows writes it. A vendor's certificate
is compared with it; the development certificate is made from it. Configures only, and makes the
development certificate.

The environment names CMAKE_COMMAND and ORBALT_HOST_BUILD_DIR."""
import os
import shutil
import subprocess
import tempfile
import unittest

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CMAKE = os.environ["CMAKE_COMMAND"]
# A certificate of an organisation with a comma in its name, as Windows writes its Subject.
TESSALY = 'CN="Tessaly, Inc.", O="Tessaly, Inc.", L=Redmond, S=Washington, C=US'


class Configure(unittest.TestCase):
    def test_the_publisher_is_the_certificates_subject_as_windows_writes_it(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        tree, cert, key = (os.path.join(folder, name) for name in ("tree", "vendor.pem", "vendor.key"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30", "-keyout", key,
                        "-out", cert, "-subj", "/C=US/ST=Washington/L=Redmond/O=Tessaly, Inc./CN=Tessaly, Inc."],
                       check=True, capture_output=True)

        def configure(publisher, certificate, key):
            result = subprocess.run([CMAKE, "--preset", "windows", "-B", tree, "-DORBALT_TEST_BUILD=OFF",
                                     "-DORBALT_HOST_BUILD_DIR=" + os.environ["ORBALT_HOST_BUILD_DIR"],
                                     # A tree's regeneration may remove outputs of its own, dist/ among them.
                                     "-DORBALT_DIST_DIR=" + os.path.join(folder, "dist"),
                                     "-DORBALT_PACKAGE_PUBLISHER=" + publisher, "-DORBALT_SIGNING_CERT=" + certificate,
                                     "-DORBALT_SIGNING_KEY=" + key], cwd=SOURCE, capture_output=True, text=True)
            # CMake wraps its messages at blanks.
            return result.returncode, " ".join((result.stdout + result.stderr).split())

        self.assertEqual(configure(TESSALY, cert, key)[0], 0)
        unquoted = TESSALY.replace('"', "")
        code, said = configure(unquoted, cert, key)
        self.assertNotEqual(code, 0)
        self.assertIn('ORBALT_PACKAGE_PUBLISHER "%s" is not the Subject of the signing certificate, which Windows '
                      'writes as "%s"' % (unquoted, TESSALY), said)

        # Without a certificate of the vendor's, the development one is made with that Subject.
        code, said = configure("CN=Tessaly,O=Tessaly, C=US", "", "")
        self.assertNotEqual(code, 0)
        self.assertIn('Windows writes the name "CN=Tessaly,O=Tessaly, C=US" as "CN=Tessaly, O=Tessaly, C=US"', said)
        self.assertEqual(configure(TESSALY.replace("O=", 'OU="R+D/QA", O='), "", "")[0], 0)
        subprocess.run([CMAKE, "--build", tree, "--target", "orbalt_signing_identity"], check=True, capture_output=True)
        subject = subprocess.run(["openssl", "x509", "-noout", "-subject", "-nameopt", "RFC2253", "-in",
                                  os.path.join(tree, "signing", "orbalt-dev.pem")], check=True, capture_output=True,
                                 text=True).stdout
        self.assertEqual(subject,
                         "subject=CN=Tessaly\\, Inc.,OU=R\\+D/QA,O=Tessaly\\, Inc.,L=Redmond,ST=Washington,C=US\n")


if __name__ == "__main__":
    unittest.main()
