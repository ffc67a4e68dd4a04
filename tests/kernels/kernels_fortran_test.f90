! Calls kernels of libtarnfit.so from Fortran through BIND(C) interfaces, every argument by
! reference as the kernels expect, and checks the results. Stops with code 1 on a failure.

module tarnfit_kernels
  use, intrinsic :: iso_c_binding, only: c_int, c_double
  implicit none

  interface
    subroutine drcurv(nobs, xdata, ydata, ndeg, b, ssqpol, stat) bind(C, name='DRCURV')
      import :: c_int, c_double
      integer(c_int), intent(in) :: nobs, ndeg
      real(c_double), intent(in) :: xdata(*), ydata(*)
      real(c_double), intent(out) :: b(*), ssqpol(*), stat(*)
    end subroutine drcurv

    subroutine dlsarg(n, a, lda, b, ipath, x) bind(C, name='DLSARG')
      import :: c_int, c_double
      integer(c_int), intent(in) :: n, lda, ipath
      real(c_double), intent(in) :: a(lda, *), b(*)
      real(c_double), intent(out) :: x(*)
    end subroutine dlsarg

    subroutine devlsf(n, a, lda, eval) bind(C, name='DEVLSF')
      import :: c_int, c_double
      integer(c_int), intent(in) :: n, lda
      real(c_double), intent(inout) :: a(lda, *)
      real(c_double), intent(out) :: eval(*)
    end subroutine devlsf

    subroutine drlse(nrow, y, nind, x, ldx, intcep, b, sst, sse) bind(C, name='DRLSE')
      import :: c_int, c_double
      integer(c_int), intent(in) :: nrow, nind, ldx, intcep
      real(c_double), intent(in) :: y(*), x(ldx, *)
      real(c_double), intent(out) :: b(*), sst, sse
    end subroutine drlse

    subroutine dumpol(fcn, n, xguess, s, ftol, maxfcn, x, fvalue) bind(C, name='DUMPOL')
      import :: c_int, c_double
      interface
        subroutine fcn(n, x, f) bind(C)
          import :: c_int, c_double
          integer(c_int), intent(in) :: n
          real(c_double), intent(in) :: x(n)
          real(c_double), intent(out) :: f
        end subroutine fcn
      end interface
      integer(c_int), intent(in) :: n
      real(c_double), intent(in) :: xguess(*), ftol
      real(c_double), intent(inout) :: s
      integer(c_int), intent(inout) :: maxfcn
      real(c_double), intent(out) :: x(*), fvalue
    end subroutine dumpol

    subroutine duminf(fcn, n, xguess, xscale, fscale, iparam, rparam, x, fvalue) bind(C, name='DUMINF')
      import :: c_int, c_double
      interface
        subroutine fcn(n, x, f) bind(C)
          import :: c_int, c_double
          integer(c_int), intent(in) :: n
          real(c_double), intent(in) :: x(n)
          real(c_double), intent(out) :: f
        end subroutine fcn
      end interface
      integer(c_int), intent(in) :: n
      real(c_double), intent(in) :: xguess(*), xscale(*), fscale
      integer(c_int), intent(inout) :: iparam(7)
      real(c_double), intent(inout) :: rparam(7)
      real(c_double), intent(out) :: x(*), fvalue
    end subroutine duminf

    integer(c_int) function kernel_severity() bind(C, name='TarnfitKernelSeverity')
      import :: c_int
    end function kernel_severity
  end interface

contains

  subroutine valley(n, x, f) bind(C)
    integer(c_int), intent(in) :: n
    real(c_double), intent(in) :: x(n)
    real(c_double), intent(out) :: f
    f = (x(1) - 1.0d0)**2 + 10.0d0 * (x(2) - 2.0d0)**2
  end subroutine valley

end module tarnfit_kernels

program kernels_fortran_test
  use tarnfit_kernels
  implicit none
  integer :: nfail = 0
  real(c_double) :: a(3, 3), b3(3), x3(3), ev(3), xd(4), yd(4), coef(3), ssq(3), stat(10)
  real(c_double) :: xr(6, 2), yr(6), br(3), sst, sse, x0(2), xs(2), xm(2), f, s
  integer(c_int) :: iparam(7), maxfcn, i, severity
  real(c_double) :: rparam(7)

  ! DLSARG: A = [2 1 1; 4 -6 0; -2 7 2], x = (1, 2, 3).
  a = reshape([2d0, 4d0, -2d0, 1d0, -6d0, 7d0, 1d0, 0d0, 2d0], [3, 3])
  b3 = matmul(a, [1d0, 2d0, 3d0])
  call dlsarg(3, a, 3, b3, 1, x3)
  call check(all(abs(x3 - [1d0, 2d0, 3d0]) < 1d-13), 'DLSARG')

  ! DEVLSF: diag(1, -5, 3) gives (-5, 3, 1).
  a = 0
  a(1, 1) = 1; a(2, 2) = -5; a(3, 3) = 3
  call devlsf(3, a, 3, ev)
  call check(all(abs(ev - [-5d0, 3d0, 1d0]) < 1d-15), 'DEVLSF')

  ! DRCURV: 1 + 2x + 3x^2.
  xd = [0d0, 1d0, 2d0, 3d0]
  yd = 1 + 2 * xd + 3 * xd**2
  call drcurv(4, xd, yd, 2, coef, ssq, stat)
  call check(all(abs(coef - [1d0, 2d0, 3d0]) < 1d-12), 'DRCURV')

  ! DRLSE: y = 2 + 3 x1 - x2.
  do i = 1, 6
    xr(i, 1) = i
    xr(i, 2) = mod(i * i, 5)
  end do
  yr = 2 + 3 * xr(:, 1) - xr(:, 2)
  call drlse(6, yr, 2, xr, 6, 1, br, sst, sse)
  call check(all(abs(br - [2d0, 3d0, -1d0]) < 1d-12) .and. sse < 1d-20, 'DRLSE')

  ! DUMPOL and DUMINF on the valley (x1 - 1)^2 + 10 (x2 - 2)^2.
  x0 = [0.3d0, -0.2d0]
  s = 1
  maxfcn = 500
  call dumpol(valley, 2, x0, s, 1d-10, maxfcn, xm, f)
  call check(all(abs(xm - [1d0, 2d0]) < 1d-3) .and. maxfcn < 500, 'DUMPOL')

  x0 = 0
  xs = 1
  iparam = 0
  rparam = 0
  call duminf(valley, 2, x0, xs, 1d0, iparam, rparam, xm, f)
  severity = kernel_severity()
  call check(all(abs(xm - [1d0, 2d0]) < 1d-5) .and. severity == 0 .and. iparam(1) == 1, 'DUMINF')

  if (nfail > 0) then
    print '(I0, A)', nfail, ' check(s) failed'
    stop 1
  end if
  print '(A)', 'all Fortran kernel checks passed'

contains

  subroutine check(ok, what)
    logical, intent(in) :: ok
    character(*), intent(in) :: what
    if (.not. ok) then
      nfail = nfail + 1
      print '(2A)', 'FAILED: ', what
    end if
  end subroutine check

end program kernels_fortran_test
