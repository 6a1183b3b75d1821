-- Hotel bookings: hotels and their numbered rooms, guests, bookings of a room, one payment each.
create table hotels (
  id int not null auto_increment primary key,
  name varchar(80) not null,
  city varchar(50) not null,
  country_code char(2) not null,
  stars tinyint unsigned not null check (stars between 1 and 5)
) engine = InnoDB default charset = utf8mb4;
create table rooms (
  hotel_id int not null,
  room_no int not null,
  beds tinyint not null check (beds in (1, 2, 3, 4)),
  price_per_night decimal(8, 2) not null check (price_per_night > 0),
  primary key (hotel_id, room_no),
  foreign key (hotel_id) references hotels (id)
) engine = InnoDB default charset = utf8mb4;
create table guests (
  id int not null auto_increment primary key,
  first_name varchar(40) not null,
  last_name varchar(40) not null,
  email varchar(100) not null unique,
  phone varchar(20),
  birth_date date,
  country_code char(2)
) engine = InnoDB default charset = utf8mb4;
create table bookings (
  id int not null auto_increment primary key,
  guest_id int not null,
  hotel_id int not null,
  room_no int not null,
  check_in date not null,
  nights tinyint not null check (nights between 1 and 30),
  status enum('booked', 'cancelled', 'completed') not null,
  foreign key (guest_id) references guests (id),
  foreign key (hotel_id, room_no) references rooms (hotel_id, room_no)
) engine = InnoDB default charset = utf8mb4;
create table payments (
  id int not null auto_increment primary key,
  booking_id int not null unique,
  reference uuid not null unique,
  method enum('card', 'cash', 'voucher') not null,
  amount decimal(10, 2) not null check (amount > 0),
  paid_at datetime not null,
  constraint payment_booking foreign key (booking_id) references bookings (id)
) engine = InnoDB default charset = utf8mb4;
